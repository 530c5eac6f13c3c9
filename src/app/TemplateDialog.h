#pragma once

#include "resources/DialogTemplate.h"
#include "resources/DialogUnits.h"

#include <QDialog>
#include <QMenuBar>
#include <QWidget>
#include <memory>

class QEventLoop;

namespace hl {

// A dialog built from a dialog template: caption and client size from the template, its
// controls placed at the template's positions (converted from dialog units) in the client
// area below the window's menu, commands routed by id.
//
// DoModal runs the dialog initialisation and then the dialog's own event loop until the
// dialog ends. The loop blocks no other window: boxes without an owner stay usable.
class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    TemplateDialog(int templateId, QWidget* parent);
    ~TemplateDialog() override;

    // Initialises the dialog and runs it until EndDialog; returns the result given there.
    int DoModal();
    // Only the initialisation (the window then runs on the caller's event loop); false
    // when OnInitDialog asked to keep the focus where it set it.
    bool Create();
    // Ends the dialog with `result`: it hides and DoModal returns.
    void EndDialog(int result);
    // Ends the dialog as destroying its window does.
    void DestroyWindow();
    bool Ended() const { return m_bEnded; }

    // The command handling: true when the command was handled.
    virtual bool OnCommand(int id);
    // Hands the command to OnCommand once the current event has been handled (the way a
    // menu's choice arrives after the menu has closed).
    void PostCommand(int id);

    // The window's menu bar, built from a menu resource; its choices go to OnCommand.
    bool SetMenu(int menuId);
    QMenuBar* GetMenu() const { return m_pMenuBar.get(); }

    const DialogTemplate* Template() const { return m_pTemplate; }
    QWidget* Client() { return &m_client; }
    // A control's template position in client pixels; empty for an unknown control.
    QRect ControlRect(int controlId) const;
    const DialogUnits& Units() const { return m_units; }

    // Qt's accept and reject end the dialog through OnOK and OnCancel.
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    void done(int result) override;

protected:
    // The dialog initialisation, run by DoModal before the loop; true lets the first control
    // with a tab stop take the focus.
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK();
    virtual void OnCancel();
    // The window is being destroyed (DestroyWindow, or the dialog object going away).
    virtual void OnDestroy() {}
    // The client area has a new size.
    virtual void OnSize(int cx, int cy);

    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Destructors of derived dialogs call this first, while the whole object still exists.
    void DestroyOnce();

private:
    void LayOutFrame();

    const DialogTemplate* m_pTemplate;
    DialogUnits m_units;
    QWidget m_client;
    std::unique_ptr<QMenuBar> m_pMenuBar;
    QEventLoop* m_pLoop = nullptr;
    int m_nModalResult = -1;
    bool m_bEnded = false;
    bool m_bDestroyed = false;
};

} // namespace hl
