#pragma once

#include "app/Shell.h"
#include "app/TemplateDialog.h"
#include "resources/Menus.h"

#include <QIcon>
#include <QMenu>
#include <memory>
#include <string>

namespace hl {

// A dialog that hides in the notification area instead of minimising: minimising adds its
// icon (with tip and callback) and hides the window; a double-click on the icon removes the
// icon and shows the window again; a right-button press shows the tray menu, whose choices
// arrive as ordinary commands. The icon goes when the window is destroyed. Where the desktop
// has no notification area, minimising minimises the window as usual.
class CTrayHostDlg : public TemplateDialog, public ITrayCallback {
    Q_OBJECT
public:
    CTrayHostDlg(int templateId, QWidget* parent, IShell& shell);
    ~CTrayHostDlg() override;

    // Loads the icon resource as the tray icon; a null icon (nothing changed) on failure.
    QIcon SetTrayIcon(unsigned iconId);
    // The tip, cut to fit its 128-byte field (at most 127 bytes, never in the middle of a
    // UTF-8 sequence).
    void SetTrayTip(const std::string& tip);
    // The menu resource whose first popup the icon shows; false for an unknown menu.
    bool SetTrayMenu(unsigned menuId);
    // Put the icon into the tray / take it out; false when it already is / is not there, or
    // when the shell refuses.
    bool AddTrayIcon();
    bool RemoveTrayIcon();

    // The callback of the icon: the mouse message of icon `iconId`.
    void OnTrayNotification(unsigned iconId, TrayMouseMessage message) override;

    // The hooks for the icon's mouse messages, with the cursor position in screen
    // coordinates.
    virtual void OnTrayLButtonDown(int x, int y);
    virtual void OnTrayLButtonDblClk(int x, int y);
    virtual void OnTrayContextMenu(int x, int y);
    virtual void OnTrayRButtonDblClk(int x, int y);
    virtual void OnTrayMouseMove(int x, int y);

    // A system command (SC_MINIMIZE ...): true when this class handled it.
    virtual bool OnSysCommand(unsigned command);

    bool IsIconInTray() const { return m_bIconInTray; }
    const NotifyIconData& TrayData() const { return m_nid; }
    // The tray menu while it is shown (or was last shown), else nullptr.
    QMenu* TrayPopup() const { return m_pTrayPopup.get(); }

protected:
    // Shows the window hidden in the tray again, at the place it had.
    void ShowFromTray();
    void OnDestroy() override;
    void changeEvent(QEvent* event) override;

    bool m_bMinimizeToTray = true;
    bool m_bIconInTray = false;
    NotifyIconData m_nid;
    const MenuResource* m_trayMenu = nullptr;
    unsigned m_nDefaultMenuItem = 0;

private:
    IShell& m_shell;
    QRect m_rcBeforeTray; // the window's rectangle when it went into the tray
    std::unique_ptr<QMenu> m_pTrayPopup;
};

} // namespace hl
