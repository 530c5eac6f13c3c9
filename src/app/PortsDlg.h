#pragma once

#include "app/ColorToolBar.h"
#include "app/ExportLocation.h"
#include "app/QtMessageBox.h"
#include "app/StatusBarCtrl.h"
#include "app/TrayHostDlg.h"
#include "inventory/TraceSink.h"
#include "listview/ImageList.h"
#include "listview/PortListCtrl.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "resources/ResourceIds.h"
#include "settings/ProgramSettings.h"
#include "settings/RegistryKey.h"
#include "settings/store/Registry.h"

#include <QFrame>
#include <QIcon>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

namespace hl {

class CAboutBox;
class CAppProfile;
class DetachableMessageBox;
class KillStarter;
class RefreshStarter;
class CSettingsDlg;

// What the main window works with; the program passes the real system, tests fakes.
struct PortsDlgServices {
    IShell* shell = nullptr;                 // required
    std::shared_ptr<ISystem> system;         // required: the tables the refreshes read
    std::shared_ptr<ITraceSink> trace;       // required: where the readers' trace lines go
    std::shared_ptr<IMessageBox> messageBox; // empty: boxes on screen
    std::shared_ptr<IRegistry> registry;     // required: where the settings are kept
    std::shared_ptr<IFiles> files;           // required: where the export is written
    ExportLocation exportLocation;           // the folders the export may go to
    std::string programDir;                  // the running executable's folder (help); empty: none
    std::shared_ptr<CAppProfile> profile;    // empty: the window's placement is not kept
    int toolBarResource = IDR_TOOLBAR;       // the toolbar the window loads
};

// The main window: the connection list with its menus, refresh and monitoring, the tray.
class CPortsDlg : public CTrayHostDlg {
    Q_OBJECT
public:
    explicit CPortsDlg(PortsDlgServices services, QWidget* parent = nullptr);
    ~CPortsDlg() override;

    // The command hook, then the command table.
    bool OnCommand(int id) override;

    // Starts one refresh of the list with the current ShowTCP and ShowUDP; returns at once.
    void StartRefresh();
    void OnStartMonitoring();
    void OnStopMonitoring();
    // The monitoring timer's tick.
    void OnTimer(unsigned timerId);

    // Read-only views for the program's tests.
    unsigned TimerId() const { return m_nTimerId; }
    int TimerInterval() const { return m_monitorTimer.isActive() ? m_monitorTimer.interval() : 0; }
    int SpeedSlider() const { return static_cast<int32_t>(m_settings.m_nSpeedSlider); }
    int AutoRefresh() const { return static_cast<int32_t>(m_settings.m_nAutoRefresh); }
    int ShowTCP() const { return static_cast<int32_t>(m_settings.m_nShowTCP); }
    int ShowUDP() const { return static_cast<int32_t>(m_settings.m_nShowUDP); }
    CPortListCtrl& List() { return m_wndList; }
    CColorToolBar& ToolBar() { return m_wndToolBar; }
    CStatusBarCtrl& StatusBar() { return m_wndStatusBar; }
    QFrame& Separator() { return m_wndSeparator; }
    const ImageList& ToolBarImages() const { return m_toolBarImages; }
    const ImageList& ToolBarHotImages() const { return m_toolBarHotImages; }
    const ImageList& ListImages() const { return m_imageList; }
    QtMessageBox& MessageBoxes() { return m_messageBoxes; }
    // The open Settings dialog, or nullptr.
    CSettingsDlg* SettingsDialog() const { return m_pSettingsDlg.get(); }

    // The monitoring interval for a SpeedSlider value: 11000 - 100 x SpeedSlider ms, with
    // SpeedSlider taken as 0 below 0 and as 100 above 100.
    static int MonitorInterval(int speedSlider);

    void done(int result) override;

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    void closeEvent(QCloseEvent* event) override;
    void OnSize(int cx, int cy) override;

private:
    using Handler = void (CPortsDlg::*)();
    struct CommandEntry {
        int id;
        Handler handler;
    };
    static const CommandEntry kCommandTable[];

    void DoDataExchange();
    void CreateStatusBar();
    void CreateToolBar();
    // Places the toolbar, separator, list and status bar in the client area.
    void RepositionChildren(int cx, int cy);
    void InsertListColumns();
    void CreateListImages();
    void LoadSettings();
    void ShowWindowWithLayout();
    // Applies the saved placement and shows the window; false when no saved placement could
    // be read (nothing applied, nothing shown).
    bool RestoreLayout(uint32_t showCmd);
    void SaveLayout();
    // Cuts the workers off the window: every list operation and box fails from now on.
    void CutOffWorkers();

    unsigned SetTimer(unsigned id, int interval);
    void KillTimer(unsigned id);

    // Command handlers.
    void OnRefresh();
    void OnExport();
    void OnCloseConnection();
    void OnSettings();
    // After the Settings dialog, confirmed or cancelled: the stored values take effect.
    void ApplySettings();
    void CloseSettingsDialog();
    void OnHelpContents();
    void OnAbout();
    void OnExit();
    void OnShow();

    PortsDlgServices m_services;
    CRegistryKey m_regKey;
    ImageList m_toolBarHotImages;
    ImageList m_toolBarImages;
    ImageList m_imageList;
    CColorToolBar m_wndToolBar;
    CStatusBarCtrl m_wndStatusBar;
    unsigned m_nTimerId = 0;
    ProgramSettings m_settings; // the stored values as last loaded
    QFrame m_wndSeparator;
    CPortListCtrl m_wndList;
    QIcon m_hIcon;

    QTimer m_monitorTimer;
    QtMessageBox m_messageBoxes;
    std::shared_ptr<DetachableMessageBox> m_pWorkerBoxes;
    std::unique_ptr<RefreshStarter> m_pRefreshStarter;
    std::unique_ptr<KillStarter> m_pKillStarter;
    CAboutBox* m_pAboutBox = nullptr; // while the About box is shown
    std::unique_ptr<CSettingsDlg> m_pSettingsDlg;
};

} // namespace hl
