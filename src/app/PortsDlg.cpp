#include "app/PortsDlg.h"

#include "app/AboutBox.h"
#include "app/AppProfile.h"
#include "app/HelpPages.h"
#include "app/ListExport.h"
#include "app/MainLayout.h"
#include "app/SettingsDlg.h"
#include "app/WindowLayout.h"
#include "inventory/ListOps.h"
#include "listview/ColumnWidths.h"
#include "resources/Icons.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"
#include "settings/ProgramSettings.h"
#include "workers/DetachableMessageBox.h"
#include "workers/KillStarter.h"
#include "workers/RefreshStarter.h"

#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <array>

namespace hl {
namespace {

struct ListColumn {
    const char* heading;
    int width;
};

// The columns of the connection list, in column order (see Column in ListOps.h).
constexpr std::array<ListColumn, kColumnCount> kListColumns{{
    {"Protocol", 60},
    {"PID", 40},
    {"Process Name", 140},
    {"Local Address", 110},
    {"Local Port", 90},
    {"Remote Address", 110},
    {"Remote Port", 90},
    {"Connection State", 140},
}};

constexpr const char* kTrayTip = "Tidewatch";
constexpr const char* kExportFailed = "Could not export harborlight list file";
constexpr const char* kNoRowSelected =
    "Please highlight the connection that you would like to close first!";
constexpr const char* kNotTcp = "You may only close TCP connections with this tool";
constexpr const char* kCloseFailed = "Error closing connection";

// Where the window's placement is kept in the profile.
constexpr const char* kProfileSection = "Settings";
constexpr const char* kLayoutEntry = "Layout";

// The toolbar's images: 24 x 24, magenta transparent.
constexpr int kToolBarImageSize = 24;
constexpr QRgb kToolBarMaskColour = 0xFF00FF;

QString StatusText() {
    return QStringLiteral("   Harborlight - port monitoring software  [") +
           QString::fromUtf8(kMakerWebAddress) + QStringLiteral("]");
}

// The standard icon size of the desktop and the small one of window captions and lists.
constexpr int kIconSize = 32;
constexpr int kSmallIconSize = 16;

} // namespace

const CPortsDlg::CommandEntry CPortsDlg::kCommandTable[] = {
    {ID_ACTION_REFRESH_NOW, &CPortsDlg::OnRefresh},
    {ID_TRAY_REFRESH, &CPortsDlg::OnRefresh},
    {ID_ACTION_START_MONITORING, &CPortsDlg::OnStartMonitoring},
    {ID_ACTION_STOP_MONITORING, &CPortsDlg::OnStopMonitoring},
    {ID_FILE_EXPORT, &CPortsDlg::OnExport},
    {ID_ACTION_CLOSE_CONNECTION, &CPortsDlg::OnCloseConnection},
    {ID_TOOLS_SETTINGS, &CPortsDlg::OnSettings},
    {ID_HELP_CONTENTS, &CPortsDlg::OnHelpContents},
    {ID_HELP_ABOUT, &CPortsDlg::OnAbout},
    {ID_FILE_EXIT, &CPortsDlg::OnExit},
    {ID_TRAY_EXIT, &CPortsDlg::OnExit},
    {ID_TRAY_SHOW, &CPortsDlg::OnShow},
};

CPortsDlg::CPortsDlg(PortsDlgServices services, QWidget* parent)
    : CTrayHostDlg(IDD_PORTS_DIALOG, parent, *services.shell), m_services(std::move(services)),
      m_regKey(m_services.registry), m_wndSeparator(Client()), m_wndList(Client()),
      m_hIcon(LoadIconResource(IDR_MAINFRAME)) {
    m_monitorTimer.setSingleShot(false);
    connect(&m_monitorTimer, &QTimer::timeout, this, [this] { OnTimer(kMonitorTimerId); });

    // Workers reach the list and the boxes only through handles that the window cuts off
    // when it ends (CutOffWorkers).
    m_pWorkerBoxes = std::make_shared<DetachableMessageBox>(
        m_services.messageBox ? m_services.messageBox : m_messageBoxes.Boxes());
    WorkerContext context;
    context.system = m_services.system;
    context.trace = m_services.trace;
    context.list = m_wndList.ThreadSafeOps();
    context.messageBox = m_pWorkerBoxes;
    m_pKillStarter = std::make_unique<KillStarter>(context);
    m_pRefreshStarter = std::make_unique<RefreshStarter>(std::move(context));

    // The list's popup commands arrive after the menu has closed.
    connect(&m_wndList, &CPortListCtrl::commandPosted, this, [this](int id) { PostCommand(id); });
}

CPortsDlg::~CPortsDlg() {
    CutOffWorkers();
    DestroyOnce();
}

bool CPortsDlg::OnInitDialog() {
    // 1. The base initialisation binds the template's controls.
    DoDataExchange();
    // 2. The window's menu.
    SetMenu(IDR_MAIN_MENU);
    // 3, 4. Status line and toolbar.
    CreateStatusBar();
    CreateToolBar();
    // 5. Big and small window icons.
    QIcon windowIcon;
    windowIcon.addPixmap(m_hIcon.pixmap(kIconSize, kIconSize));
    windowIcon.addPixmap(LoadIconPixmap(IDR_MAINFRAME, kSmallIconSize));
    setWindowIcon(windowIcon);
    // 6, 7. The list's columns and row images.
    InsertListColumns();
    CreateListImages();
    // 8. The settings.
    LoadSettings();
    // 9. Monitoring as it was last left; either command stores AutoRefresh again.
    m_nTimerId = 0;
    if (m_settings.m_nAutoRefresh == 1) {
        OnStartMonitoring();
    } else {
        OnStopMonitoring();
    }
    // 10. Exactly grid lines, header drag-and-drop and full-row selection.
    m_wndList.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT, 0);
    // 11. The status line's first part is empty.
    if (m_wndStatusBar.IsWindow()) {
        m_wndStatusBar.SetText(0, QString());
    }
    // 12. The tray icon, added when the window is minimised.
    SetTrayIcon(IDR_MAINFRAME);
    SetTrayTip(kTrayTip);
    SetTrayMenu(IDR_TRAY_MENU);
    // 13, 14. Shown and painted at once.
    ShowWindowWithLayout();
    repaint();
    // 15. The first refresh.
    StartRefresh();
    // 16. The list gets the focus.
    return true;
}

void CPortsDlg::DoDataExchange() {
    m_wndSeparator.setFrameShape(QFrame::HLine);
    m_wndSeparator.setFrameShadow(QFrame::Sunken);
    m_wndSeparator.setGeometry(ControlRect(IDC_SEPARATOR));
    m_wndSeparator.show();
    m_wndList.setObjectName(QStringLiteral("List1"));
    m_wndList.setGeometry(ControlRect(IDC_PORT_LIST));
    m_wndList.setFocusPolicy(Qt::StrongFocus);
    m_wndList.show();
}

// Two parts: an empty one without width, and the program's line to the right end.
void CPortsDlg::CreateStatusBar() {
    if (!m_wndStatusBar.Create(Client(), IDC_STATUS_BAR)) {
        return;
    }
    m_wndStatusBar.SetParts({0, -1});
    m_wndStatusBar.SetText(1, StatusText());
}

// Without its resource the window goes on without a toolbar (and its image lists).
void CPortsDlg::CreateToolBar() {
    if (!m_wndToolBar.Create(Client(), AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadWithLabels(m_services.toolBarResource)) {
        m_wndToolBar.DestroyWindow();
        return;
    }
    connect(&m_wndToolBar, &CColorToolBar::Command, this, [this](int id) { PostCommand(id); });
    m_wndToolBar.show();
    m_wndToolBar.AutoSize();

    m_toolBarImages.Create(kToolBarImageSize, kToolBarImageSize);
    m_toolBarImages.AddMasked(LoadBitmapResource(IDB_TOOLBAR_NORMAL), kToolBarMaskColour,
                              LoadBitmapResource(IDB_TOOLBAR_NORMAL, 2));
    m_wndToolBar.SetImageList(&m_toolBarImages);
    m_toolBarHotImages.Create(kToolBarImageSize, kToolBarImageSize);
    m_toolBarHotImages.AddMasked(LoadBitmapResource(IDB_TOOLBAR_HOT), kToolBarMaskColour,
                                 LoadBitmapResource(IDB_TOOLBAR_HOT, 2));
    m_wndToolBar.SetHotImageList(&m_toolBarHotImages);
}

void CPortsDlg::OnSize(int cx, int cy) {
    CTrayHostDlg::OnSize(cx, cy);
    RepositionChildren(cx, cy);
}

void CPortsDlg::RepositionChildren(int cx, int cy) {
    const bool toolBar = m_wndToolBar.IsWindow();
    const bool statusBar = m_wndStatusBar.IsWindow();
    if (toolBar) {
        m_wndToolBar.AutoSize();
    }
    const MainLayout layout = ComputeMainLayout(QSize(cx, cy), toolBar ? m_wndToolBar.height() : 0,
                                                statusBar ? m_wndStatusBar.sizeHint().height() : 0);
    if (toolBar) {
        m_wndToolBar.setGeometry(layout.toolBar);
    }
    if (statusBar) {
        m_wndStatusBar.setGeometry(layout.statusBar);
    }
    m_wndList.setGeometry(layout.list);
    m_wndSeparator.setGeometry(layout.separator);
}

// The widths follow the list's font; the PID column shows the longest PID Linux can have.
void CPortsDlg::InsertListColumns() {
    const QFont font = m_wndList.font();
    for (int column = 0; column < kColumnCount; ++column) {
        const ListColumn& info = kListColumns[static_cast<size_t>(column)];
        int width = ScaleColumnWidth(info.width, font);
        if (column == kColPid) {
            width = std::max(width, m_wndList.TextColumnWidth(QString::fromLatin1(kWidestPidText)));
        }
        m_wndList.InsertColumn(column, QString::fromUtf8(info.heading), LVCFMT_LEFT, width);
    }
}

// The list's row images by their index, which is the order they are loaded in: the table
// readers mark TCP rows with kTcpImage and UDP rows with kUdpImage. The third, the same
// picture as the first, is loaded but no row uses it.
constexpr std::array<int, 3> kRowImageIcons = [] {
    std::array<int, 3> icons{};
    icons[kTcpImage] = IDI_JUNCTION;
    icons[kUdpImage] = IDI_COMPUTERS;
    icons[2] = IDI_JUNCTION2;
    return icons;
}();

void CPortsDlg::CreateListImages() {
    m_imageList.Create(kSmallIconSize, kSmallIconSize);
    for (const int icon : kRowImageIcons) {
        m_imageList.Add(LoadIconResource(icon));
    }
    m_wndList.SetImageList(m_imageList);
}

// When the settings key can be neither opened nor created, the values held stay (at start-up,
// the defaults).
void CPortsDlg::LoadSettings() {
    hl::LoadSettings(m_regKey, m_settings);
}

// The saved placement when there is one, otherwise the template's size where the desktop
// puts a new window.
void CPortsDlg::ShowWindowWithLayout() {
    RepositionChildren(Client()->width(), Client()->height());
    if (!RestoreLayout(SW_SHOW)) {
        show();
    }
}

bool CPortsDlg::RestoreLayout(uint32_t showCmd) {
    if (!m_services.profile) {
        return false;
    }
    const std::optional<std::vector<uint8_t>> bytes =
        m_services.profile->GetBinary(kProfileSection, kLayoutEntry);
    const std::optional<LayoutRecord> record = bytes ? DecodeLayout(*bytes) : std::nullopt;
    if (!record.has_value()) {
        return false;
    }
    WindowPlacement placement = record->placement;
    if (placement.length != 0) {
        if (showCmd != SW_SHOWNORMAL) {
            placement.showCmd = showCmd;
        }
        ApplyPlacement(*this, placement);
    }
    switch (placement.length != 0 ? placement.showCmd : SW_SHOW) {
    case SW_SHOWMAXIMIZED:
        showMaximized();
        break;
    case SW_SHOWMINIMIZED:
        showMinimized();
        break;
    default:
        show();
        break;
    }
    return true;
}

// Only closing the window saves its placement; a failed write is not reported.
void CPortsDlg::SaveLayout() {
    if (m_services.profile) {
        m_services.profile->WriteBinary(kProfileSection, kLayoutEntry,
                                        EncodeLayout(CaptureLayout(*this)));
    }
}

bool CPortsDlg::OnCommand(int id) {
    // The command hook: the commands of the list's popup menu.
    if (id == ID_POPUP_REFRESH_LIST) {
        StartRefresh();
        return true;
    }
    if (id == ID_POPUP_CLOSE_CONNECTION) {
        OnCloseConnection();
        return true;
    }
    for (const CommandEntry& entry : kCommandTable) {
        if (entry.id == id) {
            (this->*entry.handler)();
            return true;
        }
    }
    return CTrayHostDlg::OnCommand(id);
}

void CPortsDlg::StartRefresh() {
    if (m_pRefreshStarter) {
        m_pRefreshStarter->Start(ShowTCP(), ShowUDP());
    }
}

int CPortsDlg::MonitorInterval(int speedSlider) {
    return 11000 - 100 * std::clamp(speedSlider, 0, 100);
}

unsigned CPortsDlg::SetTimer(unsigned id, int interval) {
    if (id != kMonitorTimerId || interval <= 0) {
        return 0;
    }
    m_monitorTimer.start(interval);
    return m_monitorTimer.isActive() ? id : 0;
}

void CPortsDlg::KillTimer(unsigned id) {
    if (id == kMonitorTimerId) {
        m_monitorTimer.stop();
    }
}

void CPortsDlg::OnStartMonitoring() {
    if (m_nTimerId == 0) {
        m_nTimerId = SetTimer(kMonitorTimerId, MonitorInterval(SpeedSlider()));
    }
    StoreSetting(m_regKey, Setting::AutoRefresh, 1);
}

void CPortsDlg::OnStopMonitoring() {
    KillTimer(m_nTimerId);
    m_nTimerId = 0;
    StoreSetting(m_regKey, Setting::AutoRefresh, 0);
}

void CPortsDlg::OnTimer(unsigned) {
    StartRefresh();
}

void CPortsDlg::OnRefresh() {
    StartRefresh();
}

// Writes the list as it stands to the export file and opens the file in the desktop's
// viewer, after a failure too (the viewer then shows an earlier export, or says there is
// none). The list is read on the UI thread in one go, so no worker changes it meanwhile.
void CPortsDlg::OnExport() {
    const ExportResult result =
        ListExport(*m_services.files, m_services.exportLocation).Write(m_wndList);
    if (!result.written) {
        // Boxes raised by the program itself carry the application's name.
        m_pWorkerBoxes->Show(kExportFailed, QCoreApplication::applicationName().toStdString(),
                             MessageIcon::Exclamation);
    }
    if (!result.path.empty()) {
        m_services.shell->OpenUrl(QUrl::fromLocalFile(QString::fromStdString(result.path)));
    }
}

// Starts a close worker for the first selected row when it is a TCP row and returns at once;
// the worker shows the outcome and removes the row when the close succeeded.
void CPortsDlg::OnCloseConnection() {
    const int row = m_wndList.GetFirstSelected();
    if (row < 0) {
        m_pWorkerBoxes->Show(kNoRowSelected, kAppTitle, MessageIcon::Information);
        return;
    }
    if (m_wndList.GetItemText(row, kColProtocol).find("TCP") == std::string::npos) {
        m_pWorkerBoxes->Show(kNotTcp, kAppTitle, MessageIcon::Information);
        return;
    }
    // All four address fields, so that of two connections from one remote address to one local
    // port exactly the selected one is closed.
    const std::string remoteAddress = m_wndList.GetItemText(row, kColRemoteAddress);
    const std::string localPort = m_wndList.GetItemText(row, kColLocalPort);
    const std::string localAddress = m_wndList.GetItemText(row, kColLocalAddress);
    const std::string remotePort = m_wndList.GetItemText(row, kColRemotePort);
    if (!m_pKillStarter ||
        !m_pKillStarter->Start(remoteAddress, localPort, localAddress, remotePort, row)) {
        // Without a worker nothing was closed: say so instead of leaving it silently undone.
        m_pWorkerBoxes->Show(kCloseFailed, kAppTitle, MessageIcon::Information);
    }
}

// The Settings dialog blocks only the main window, so that the boxes of close workers stay
// usable and the monitoring timer goes on refreshing the list while it is open. It ends
// through ApplySettings; a second Settings command meanwhile brings it to the front.
void CPortsDlg::OnSettings() {
    if (m_pSettingsDlg) {
        m_pSettingsDlg->raise();
        m_pSettingsDlg->activateWindow();
        return;
    }
    m_pSettingsDlg = std::make_unique<CSettingsDlg>(CRegistryKey(m_services.registry), this);
    m_pSettingsDlg->setWindowModality(Qt::WindowModal);
    connect(m_pSettingsDlg.get(), &QDialog::finished, this, [this] {
        // The dialog is deleted once the signal that reported its end has returned.
        m_pSettingsDlg.release()->deleteLater();
        ApplySettings();
    });
    m_pSettingsDlg->Create();
    m_pSettingsDlg->show();
}

// The stored values become the window's, monitoring is switched as AutoRefresh says (a
// running timer is set again, with the current speed), and the list is refreshed, so that
// a changed filter shows at once. The same after Cancel.
void CPortsDlg::ApplySettings() {
    LoadSettings();
    if (m_settings.m_nAutoRefresh == 1) {
        OnStopMonitoring();
        OnStartMonitoring();
    } else {
        OnStopMonitoring();
    }
    StartRefresh();
}

// When the main window ends first, the dialog goes without taking effect.
void CPortsDlg::CloseSettingsDialog() {
    if (m_pSettingsDlg) {
        m_pSettingsDlg->disconnect(this);
        m_pSettingsDlg.reset();
    }
}

// Opens the help's index page in the desktop's browser; without help pages nothing happens.
void CPortsDlg::OnHelpContents() {
    const std::string index = FindHelpIndex(m_services.programDir);
    if (!index.empty()) {
        m_services.shell->OpenUrl(QUrl::fromLocalFile(QString::fromStdString(index)));
    }
}

// One About box at a time: asked again while it is shown, the box comes to the front.
void CPortsDlg::OnAbout() {
    if (m_pAboutBox != nullptr) {
        m_pAboutBox->raise();
        m_pAboutBox->activateWindow();
        return;
    }
    CAboutBox box(*m_services.shell);
    m_pAboutBox = &box;
    box.DoModal();
    m_pAboutBox = nullptr;
}

// Leaving through Exit keeps the stored layout as it was.
void CPortsDlg::OnExit() {
    DestroyWindow();
}

void CPortsDlg::OnShow() {
    if (RemoveTrayIcon()) {
        ShowFromTray();
    }
}

void CPortsDlg::closeEvent(QCloseEvent* event) {
    SaveLayout();
    CTrayHostDlg::closeEvent(event);
}

void CPortsDlg::done(int result) {
    CutOffWorkers();
    CTrayHostDlg::done(result);
}

void CPortsDlg::OnDestroy() {
    // The program ends with its main window: an About box still shown goes too.
    if (m_pAboutBox != nullptr) {
        m_pAboutBox->EndDialog(IDCANCEL);
    }
    CutOffWorkers();
    CTrayHostDlg::OnDestroy();
}

void CPortsDlg::CutOffWorkers() {
    CloseSettingsDialog();
    m_monitorTimer.stop();
    if (m_pWorkerBoxes) {
        m_pWorkerBoxes->Detach();
    }
    // A worker waiting for the UI thread at this moment is released with a failure.
    m_wndList.CloseOperations();
    m_messageBoxes.Close();
}

} // namespace hl
