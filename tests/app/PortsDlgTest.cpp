#include "app/PortsDlg.h"

#include "FakeShell.h"
#include "LoopbackSockets.h"
#include "QtTestSupport.h"
#include "app/AboutBox.h"
#include "inventory/TraceSink.h"
#include "listview/ColumnWidths.h"
#include "listview/FlatHeaderCtrl.h"
#include "platform/UniqueFd.h"
#include "platform/fake/FakeMessageBox.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixFiles.h"
#include "resources/Icons.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"
#include "settings/ProgramSettings.h"
#include "settings/store/fake/FakeRegistry.h"
#include "workers/WorkerThread.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::FakeShell;
using test::Listener;
using test::PumpUntil;

constexpr uint32_t kNotStored = 0xDEADBEEF;

// Every test starts with empty settings of its own.
class PortsDlgTest : public testing::Test {
protected:
    void TearDown() override {
        m_dlg.reset();
        // Nothing of a refresh may outlive its test.
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(60s));
    }

    CPortsDlg& Start(std::shared_ptr<ISystem> system = nullptr,
                     std::shared_ptr<IMessageBox> boxes = nullptr) {
        PortsDlgServices services;
        services.shell = &shell;
        services.system = system ? std::move(system) : fake;
        services.messageBox = std::move(boxes);
        services.trace = std::make_shared<CaptureTraceSink>();
        services.files = std::make_shared<PosixFiles>();
        services.programDir = programDir;
        services.registry = registry;
        m_dlg = std::make_unique<CPortsDlg>(std::move(services));
        m_dlg->Create();
        return *m_dlg;
    }

    bool KeyExists() const {
        CRegistryKey key(registry);
        return key.SetRootKey(kHkeyCurrentUser) && key.Open(kSettingsKeyPath, false);
    }
    std::optional<uint32_t> Stored(Setting setting) const {
        CRegistryKey key(registry);
        if (!key.SetRootKey(kHkeyCurrentUser) || !key.Open(kSettingsKeyPath, false)) {
            return std::nullopt;
        }
        const uint32_t value = key.ReadDword(setting.name, kNotStored);
        return value == kNotStored ? std::nullopt : std::optional(value);
    }
    void Store(Setting setting, uint32_t value) const {
        CRegistryKey key(registry);
        ASSERT_TRUE(StoreSetting(key, setting, value));
    }

    // A TCP row of the fake tables, owned by pid.
    static TcpExRow Connection(uint16_t localPort, uint32_t pid) {
        TcpExRow row;
        row.state = kTcpStateEstablished;
        row.localAddr = htonl(INADDR_LOOPBACK);
        row.localPort = htons(localPort);
        row.remoteAddr = htonl(INADDR_LOOPBACK);
        row.remotePort = htons(40000);
        row.pid = pid;
        return row;
    }

    FakeShell shell;
    std::shared_ptr<FakeSystem> fake = std::make_shared<FakeSystem>();
    std::string programDir; // where the window looks for its help
    std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();

private:
    std::unique_ptr<CPortsDlg> m_dlg;
};

bool ListHas(CPortListCtrl& list, const std::vector<std::pair<int, std::string>>& cells) {
    for (int row = 0; row < list.GetItemCount(); ++row) {
        bool all = true;
        for (const auto& [column, text] : cells) {
            all = all && list.GetItemText(row, column) == text;
        }
        if (all) {
            return true;
        }
    }
    return false;
}

TEST_F(PortsDlgTest, FirstStartStoresOnlyAutoRefreshAndListsTheMachinesListeners) {
    Listener listener;
    ASSERT_NE(listener.port, 0);
    ASSERT_FALSE(KeyExists());
    CPortsDlg& dlg = Start(std::make_shared<LinuxSystem>());

    EXPECT_TRUE(KeyExists());
    EXPECT_EQ(Stored(Setting::AutoRefresh), 0u);
    EXPECT_EQ(Stored(Setting::SpeedSlider), std::nullopt);
    EXPECT_EQ(Stored(Setting::ShowTCP), std::nullopt);
    EXPECT_EQ(Stored(Setting::ShowUDP), std::nullopt);
    EXPECT_EQ(dlg.TimerId(), 0u);
    EXPECT_EQ(dlg.TimerInterval(), 0);
    EXPECT_EQ((std::vector{dlg.SpeedSlider(), dlg.AutoRefresh(), dlg.ShowTCP(), dlg.ShowUDP()}),
              (std::vector{10, 0, 1, 1}));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Harborlight Scanner"));
    // The list, the first control, has the focus.
    EXPECT_EQ(dlg.focusWidget(), &dlg.List());

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").filename();
    EXPECT_TRUE(PumpUntil([&] {
        return ListHas(dlg.List(), {{kColProtocol, "TCP"},
                                    {kColPid, std::to_string(::getpid())},
                                    {kColProcessName, self},
                                    {kColLocalAddress, "127.0.0.1"},
                                    {kColLocalPort, std::to_string(listener.port)},
                                    {kColState, "LISTEN"}});
    }));
}

struct StartCase {
    const char* name;
    uint32_t autoRefresh;
    uint32_t speedSlider;
    unsigned timerId;
    int interval;
    uint32_t storedAfter;
};

class StoredMonitoring : public PortsDlgTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StoredMonitoring, DecidesMonitoringAtStartUp) {
    const StartCase& c = GetParam();
    Store(Setting::AutoRefresh, c.autoRefresh);
    Store(Setting::SpeedSlider, c.speedSlider);
    CPortsDlg& dlg = Start();
    EXPECT_EQ(dlg.TimerId(), c.timerId);
    EXPECT_EQ(dlg.TimerInterval(), c.interval);
    EXPECT_EQ(Stored(Setting::AutoRefresh), c.storedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    All, StoredMonitoring,
    testing::Values(StartCase{"OnAtStoredSpeed", 1, 50, 1, 6000, 1},
                    StartCase{"DefaultSpeed", 1, 10, 1, 10000, 1},
                    StartCase{"Fastest", 1, 100, 1, 1000, 1},
                    StartCase{"Slowest", 1, 0, 1, 11000, 1}, StartCase{"TwoIsOff", 2, 50, 0, 0, 0},
                    StartCase{"ZeroIsOff", 0, 50, 0, 0, 0},
                    // Speeds only a hand-edited store holds are clamped to 0..100.
                    StartCase{"SpeedAbove100", 1, 150, 1, 1000, 1},
                    StartCase{"SpeedNegative", 1, 0xFFFFFFFF, 1, 11000, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortsDlg, MonitorIntervalFollowsTheSpeed) {
    const std::vector<std::pair<int, int>> cases = {
        {0, 11000},  {10, 10000},    {50, 6000},  {100, 1000},       {101, 1000},
        {110, 1000}, {100000, 1000}, {-1, 11000}, {INT32_MIN, 11000}};
    for (const auto& [speed, interval] : cases) {
        EXPECT_EQ(CPortsDlg::MonitorInterval(speed), interval) << speed;
    }
}

TEST_F(PortsDlgTest, StartAndStopMonitoring) {
    CPortsDlg& dlg = Start();
    ASSERT_EQ(dlg.TimerId(), 0u);

    // Stop while off stores 0 and changes nothing else.
    Store(Setting::AutoRefresh, 7);
    dlg.OnCommand(ID_ACTION_STOP_MONITORING);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 0u);
    EXPECT_EQ(dlg.TimerId(), 0u);
    EXPECT_EQ(dlg.TimerInterval(), 0);

    dlg.OnCommand(ID_ACTION_START_MONITORING);
    EXPECT_EQ(dlg.TimerId(), 1u);
    EXPECT_EQ(dlg.TimerInterval(), 10000);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 1u);
    // A second start sets no second timer; it only stores AutoRefresh again.
    Store(Setting::AutoRefresh, 7);
    dlg.OnStartMonitoring();
    EXPECT_EQ(dlg.TimerId(), 1u);
    EXPECT_EQ(dlg.TimerInterval(), 10000);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 1u);

    dlg.OnCommand(ID_ACTION_STOP_MONITORING);
    EXPECT_EQ(dlg.TimerId(), 0u);
    EXPECT_EQ(dlg.TimerInterval(), 0);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 0u);
}

TEST_F(PortsDlgTest, AfterStartUpTheWindowHasItsMenuColumnsImagesAndStyles) {
    CPortsDlg& dlg = Start();
    ASSERT_NE(dlg.GetMenu(), nullptr);
    std::vector<std::string> menu;
    for (QAction* popup : dlg.GetMenu()->actions()) {
        menu.push_back(popup->text().toStdString());
        for (QAction* item : popup->menu()->actions()) {
            menu.push_back(item->isSeparator() ? "-"
                                               : std::to_string(CommandIdOf(item)) + " " +
                                                     item->text().toStdString());
        }
    }
    EXPECT_EQ(menu, (std::vector<std::string>{
                        "File", "32792 Export to File", "-", "32774 Exit", "Action",
                        "32780 Refresh Now", "-", "32793 Close Connection", "-",
                        "32788 Start Monitoring", "32789 Stop Monitoring", "&Tools",
                        "32785 &Settings...", "Help", "32779 Contents", "32777 About..."}));

    CPortListCtrl& list = dlg.List();
    std::vector<std::string> headings;
    for (int column = 0; column < list.GetColumnCount(); ++column) {
        headings.push_back(list.GetColumnHeading(column).toStdString());
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"Protocol", "PID", "Process Name",
                                                  "Local Address", "Local Port", "Remote Address",
                                                  "Remote Port", "Connection State"}));
    EXPECT_EQ(list.GetExtendedStyle(),
              LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(list.showGrid());
    EXPECT_TRUE(list.Header().DragDrop());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);

    // Images 0, 1, 2 are icons 139, 140 and 138.
    const ImageList& images = dlg.ListImages();
    ASSERT_EQ(images.GetImageCount(), 3);
    EXPECT_EQ(images.Image(0).toImage(), LoadIconPixmap(IDI_JUNCTION, 16).toImage());
    EXPECT_EQ(images.Image(1).toImage(), LoadIconPixmap(IDI_COMPUTERS, 16).toImage());
    EXPECT_EQ(images.Image(2).toImage(), LoadIconPixmap(IDI_JUNCTION2, 16).toImage());
    EXPECT_FALSE(dlg.windowIcon().isNull());

    // The client area, with the list in it, begins below the menu.
    EXPECT_EQ(list.parentWidget(), dlg.Client());
    EXPECT_EQ(dlg.Client()->geometry().top(), dlg.GetMenu()->geometry().bottom() + 1);
    // The tray icon is prepared, not shown.
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(FakeShell::Tip(dlg.TrayData()), "Tidewatch");
}

// The application font for one test.
class ScopedAppFont {
public:
    explicit ScopedAppFont(const QFont& font) : m_previous(QApplication::font()) {
        QApplication::setFont(font);
    }
    ~ScopedAppFont() { QApplication::setFont(m_previous); }

private:
    QFont m_previous;
};

std::vector<int> ColumnWidths(CPortListCtrl& list) {
    std::vector<int> widths;
    for (int column = 0; column < list.GetColumnCount(); ++column) {
        widths.push_back(list.GetColumnWidth(column));
    }
    return widths;
}

TEST_F(PortsDlgTest, ColumnWidthsFollowTheFontAndThePidColumnFitsEveryPid) {
    // A font of the design's 6 px average width keeps the design widths; the PID column is
    // as wide as a 7-digit PID needs, which is more than its design width there.
    QFont designFont = QApplication::font();
    designFont.setPixelSize(10);
    ASSERT_EQ(AverageCharWidth(designFont), kDesignCharWidth);
    {
        const ScopedAppFont scoped(designFont);
        CPortListCtrl& list = Start().List();
        const int pidWidth = list.TextColumnWidth(QStringLiteral("4194304"));
        EXPECT_GT(pidWidth, 40);
        EXPECT_EQ(ColumnWidths(list), (std::vector{60, pidWidth, 140, 110, 90, 110, 90, 140}));
    }

    // The machine's font, wider than the design's: every width grows with it, and a cell
    // of the widest PID is shown whole.
    const int average = AverageCharWidth(QApplication::font());
    ASSERT_GT(average, kDesignCharWidth);
    CPortListCtrl& list = Start().List();
    const std::vector<int> widths = ColumnWidths(list);
    const std::vector<int> design{60, 40, 140, 110, 90, 110, 90, 140};
    for (size_t column = 0; column < design.size(); ++column) {
        EXPECT_GE(widths[column], design[column] * average / kDesignCharWidth) << column;
    }
    RowTexts row;
    row[kColProtocol] = "TCP";
    row[kColPid] = "4194304";
    list.InsertFilledItem(row, kNoImage);
    list.FlushUpdates();
    // What the cell's delegate needs, and the grid line drawn inside the column.
    const QModelIndex cell = list.Model().index(0, kColPid);
    ASSERT_EQ(cell.data().toString(), QStringLiteral("4194304"));
    EXPECT_GE(list.GetColumnWidth(kColPid), list.sizeHintForIndex(cell).width() + 1);
}

TEST(ColumnWidths, ScaleByTheAverageCharacterWidth) {
    struct Case {
        int design;
        int average;
        int scaled;
    };
    const std::vector<Case> cases = {
        {60, 6, 60},
        {315, 6, 315},
        {40, 7, 47},
        {315, 7, 368},
        {140, 12, 280},
        {90, 5, 75},
        {0, 9, 0},
        {-1, 9, -1},
        {60, 0, 60},
        {1, 9, 2},
        {INT32_MAX, 12, INT32_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleColumnWidth(c.design, c.average), c.scaled) << c.design << " " << c.average;
    }
}

TEST_F(PortsDlgTest, RefreshCommandsAndTheTimerRefillTheList) {
    fake->ip.tcpEx = {Connection(80, 4), Connection(443, 4)};
    fake->processes.processes = {{4, "server"}};
    CPortsDlg& dlg = Start();
    CPortListCtrl& list = dlg.List();
    ASSERT_TRUE(PumpUntil([&] { return list.GetItemCount() == 2; }));
    // Top row: the last read.
    EXPECT_EQ(list.GetItemText(0, kColLocalPort), "443");
    EXPECT_EQ(list.GetItemText(0, kColProcessName), "server");

    const std::vector<std::pair<const char*, std::function<void()>>> requests = {
        {"Refresh Now", [&] { dlg.OnCommand(ID_ACTION_REFRESH_NOW); }},
        {"tray Refresh", [&] { dlg.OnCommand(ID_TRAY_REFRESH); }},
        {"list Refresh List", [&] { dlg.OnCommand(ID_POPUP_REFRESH_LIST); }},
        {"timer tick", [&] { dlg.OnTimer(kMonitorTimerId); }},
    };
    for (const auto& [name, request] : requests) {
        ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; })) << name;
        list.InsertItem("marker", kNoImage);
        request();
        EXPECT_TRUE(PumpUntil([&] {
            return list.GetItemCount() == 2 && list.GetItemText(0, 0) == "TCP" &&
                   list.GetItemText(1, 0) == "TCP";
        })) << name;
    }
}

TEST_F(PortsDlgTest, CommandsOfLaterFeaturesAreRoutedAndDoNothingYet) {
    CPortsDlg& dlg = Start();
    for (const int id : {ID_TOOLS_SETTINGS}) {
        EXPECT_TRUE(dlg.OnCommand(id)) << id;
    }
    EXPECT_FALSE(dlg.OnCommand(12345));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.Ended());
}

TEST_F(PortsDlgTest, MinimiseToTrayShowAndExitFromTheTrayMenu) {
    CPortsDlg& dlg = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // Show while visible does nothing.
    dlg.OnCommand(ID_TRAY_SHOW);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(dlg.isVisible());

    dlg.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_NE(shell.Icon(), nullptr);
    EXPECT_EQ(FakeShell::Tip(*shell.Icon()), "Tidewatch");
    EXPECT_EQ(shell.Icon()->hIcon.pixmap(32).toImage(),
              LoadIconResource(IDR_MAINFRAME).pixmap(32).toImage());

    dlg.OnCommand(ID_TRAY_SHOW);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(shell.Icon(), nullptr);

    dlg.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.isVisible());
    ASSERT_NE(shell.Icon(), nullptr);
    shell.Click(TrayMouseMessage::RButtonDown);
    ASSERT_NE(dlg.TrayPopup(), nullptr);
    EXPECT_EQ(dlg.TrayPopup()->defaultAction()->text(), QStringLiteral("Refresh"));
    dlg.TrayPopup()->actions().back()->trigger(); // "Exit"
    dlg.TrayPopup()->hide();
    EXPECT_TRUE(PumpUntil([&] { return dlg.Ended(); }));
    EXPECT_EQ(shell.Icon(), nullptr);
}

TEST_F(PortsDlgTest, TheWaysOutEndTheDialogWithTheirResults) {
    struct Way {
        const char* name;
        std::function<void(CPortsDlg&)> leave;
        int result;
    };
    const std::vector<Way> ways = {
        {"close box", [](CPortsDlg& d) { d.close(); }, IDCANCEL},
        {"Escape", [](CPortsDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {"Enter", [](CPortsDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, IDOK},
        {"Exit", [](CPortsDlg& d) { d.OnCommand(ID_FILE_EXIT); }, -1},
    };
    for (const Way& way : ways) {
        CPortsDlg& dlg = Start();
        way.leave(dlg);
        EXPECT_TRUE(dlg.Ended()) << way.name;
        EXPECT_FALSE(dlg.isVisible()) << way.name;
        EXPECT_EQ(dlg.result(), way.result) << way.name;
    }
}

TEST_F(PortsDlgTest, DoModalRunsUntilTheDialogEnds) {
    PortsDlgServices services;
    services.shell = &shell;
    services.system = fake;
    services.trace = std::make_shared<CaptureTraceSink>();
    services.files = std::make_shared<PosixFiles>();
    services.registry = registry;
    CPortsDlg dlg(std::move(services));
    QTimer::singleShot(50, &dlg, [&] {
        EXPECT_TRUE(dlg.isVisible());
        dlg.OnCommand(ID_FILE_EXIT);
    });
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_TRUE(dlg.Ended());
}

// Views after the first wait until the test lets them go: a refresh held in its table read.
class HeldSystem : public ISystem {
public:
    explicit HeldSystem(std::shared_ptr<FakeSystem> fake) : m_fake(std::move(fake)) {}
    SystemView OpenView() override {
        if (m_opened.fetch_add(1) >= 1) {
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (held.load() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(1ms);
            }
        }
        return m_fake->OpenView();
    }
    int Opened() const { return m_opened.load(); }
    std::atomic<bool> held{true};

private:
    std::shared_ptr<FakeSystem> m_fake;
    std::atomic<int> m_opened{0};
};

TEST_F(PortsDlgTest, ClosingWhileARefreshReadsTheTablesEndsAtOnceAndNoRowsArriveLater) {
    for (uint32_t i = 0; i < 20000; ++i) {
        fake->ip.tcpEx.push_back(Connection(static_cast<uint16_t>(1024 + i), 100 + i % 50));
    }
    for (uint32_t pid = 100; pid < 150; ++pid) {
        fake->processes.processes[pid] = "p" + std::to_string(pid);
    }
    auto held = std::make_shared<HeldSystem>(fake);
    CPortsDlg& dlg = Start(held);
    // The first refresh shows all its rows at once; the second is held in its table read.
    ASSERT_TRUE(PumpUntil([&] { return dlg.List().GetItemCount() == 20000; }));
    EXPECT_EQ(dlg.List().GetVisibleRowCount(), 20000);
    fake->ip.tcpEx.resize(10);
    dlg.StartRefresh();
    ASSERT_TRUE(PumpUntil([&] { return held->Opened() == 2; }));

    const auto before = std::chrono::steady_clock::now();
    dlg.close();
    EXPECT_TRUE(dlg.Ended());
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    held->held = false;
    EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(60s));
    QCoreApplication::processEvents();
    // The refresh after the close never reached the list.
    EXPECT_EQ(dlg.List().GetItemCount(), 20000);
}

TEST_F(PortsDlgTest, AWorkersBoxBlocksOnlyThatWorkerUntilDismissed) {
    CPortsDlg& dlg = Start();
    std::shared_ptr<IMessageBox> boxes = dlg.MessageBoxes().Boxes();
    auto shown = std::async(std::launch::async, [boxes] {
        return boxes->Show("Connection closed", kAppTitle, MessageIcon::Information);
    });
    ASSERT_TRUE(PumpUntil([&] { return dlg.MessageBoxes().OpenBoxes().size() == 1; }));
    QMessageBox* box = dlg.MessageBoxes().OpenBoxes().front();
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Harborlight Scanner"));
    EXPECT_EQ(box->text(), QStringLiteral("Connection closed"));
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));

    // The worker waits; the window goes on working meanwhile.
    EXPECT_EQ(shown.wait_for(100ms), std::future_status::timeout);
    dlg.OnCommand(ID_ACTION_START_MONITORING);
    EXPECT_EQ(dlg.TimerId(), 1u);
    EXPECT_FALSE(QApplication::activeModalWidget());

    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return shown.wait_for(0ms) == std::future_status::ready; }));
    EXPECT_TRUE(shown.get());
    EXPECT_TRUE(PumpUntil([&] { return dlg.MessageBoxes().OpenBoxes().empty(); }));
}

TEST_F(PortsDlgTest, ClosingTheWindowReleasesWorkersWaitingForTheirBoxes) {
    CPortsDlg& dlg = Start();
    std::shared_ptr<IMessageBox> boxes = dlg.MessageBoxes().Boxes();
    auto shown = std::async(std::launch::async, [boxes] {
        return boxes->Show("Error closing connection", kAppTitle, MessageIcon::Information);
    });
    ASSERT_TRUE(PumpUntil([&] { return dlg.MessageBoxes().OpenBoxes().size() == 1; }));
    dlg.close();
    ASSERT_EQ(shown.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(shown.get());
    EXPECT_TRUE(dlg.MessageBoxes().OpenBoxes().empty());
    // Later boxes fail at once, from any thread.
    EXPECT_FALSE(std::async(std::launch::async, [boxes] {
                     return boxes->Show("late", kAppTitle, MessageIcon::Information);
                 }).get());
    EXPECT_FALSE(boxes->Show("late", kAppTitle, MessageIcon::Information));
}

constexpr const char* kNoSelection =
    "Please highlight the connection that you would like to close first!";
constexpr const char* kOnlyTcp = "You may only close TCP connections with this tool";
constexpr const char* kClosedOk = "Connection closed succesfully";
constexpr const char* kCloseError = "Error closing connection";

// The close command on the fake tables: the refresh lists tcpEx and udpEx, the close looks
// in the plain TCP table.
class CloseCommandTest : public PortsDlgTest {
protected:
    CPortsDlg& StartListed() {
        fake->ip.tcpEx = {Connection(80, 4), Connection(443, 4), Connection(8080, 4)};
        for (const TcpExRow& row : fake->ip.tcpEx) {
            fake->ip.tcp.push_back(static_cast<const TcpRow&>(row));
        }
        fake->ip.udpEx = {{{htonl(INADDR_LOOPBACK), htons(53)}, 4}};
        fake->processes.processes = {{4, "server"}};
        CPortsDlg& dlg = Start(nullptr, boxes);
        EXPECT_TRUE(PumpUntil(
            [&] { return dlg.List().GetItemCount() == 4 && CWorkerThread::LiveCount() == 0; }));
        dlg.List().FlushUpdates();
        dlg.List().setFocus();
        return dlg;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes->Boxes()) {
            EXPECT_EQ(box.title, "Harborlight Scanner");
            EXPECT_EQ(box.icon, MessageIcon::Information);
            texts.push_back(box.text);
        }
        return texts;
    }
    static std::vector<std::string> LocalPorts(CPortListCtrl& list) {
        std::vector<std::string> ports;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            ports.push_back(list.GetItemText(row, kColLocalPort));
        }
        return ports;
    }
    static void Select(CPortListCtrl& list, const std::vector<int>& rows) {
        list.clearSelection();
        for (const int row : rows) {
            list.selectionModel()->select(list.Model().index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    std::shared_ptr<FakeMessageBox> boxes = std::make_shared<FakeMessageBox>();
};

struct CloseCommandCase {
    const char* name;
    int command;
    std::vector<int> selected;
    const char* box;
    std::vector<std::string> portsAfter; // the Local Port column, top to bottom
    bool deletes;
};

TEST_F(CloseCommandTest, ChecksTheSelectionThenClosesTheFirstSelectedTcpRow) {
    // Top to bottom the list reads 8080, 443, 80 (TCP), then 53 (UDP).
    const CloseCommandCase cases[] = {
        {"NothingSelected",
         ID_ACTION_CLOSE_CONNECTION,
         {},
         kNoSelection,
         {"8080", "443", "80", "53"},
         false},
        {"UdpRow", ID_POPUP_CLOSE_CONNECTION, {3}, kOnlyTcp, {"8080", "443", "80", "53"}, false},
        {"LowestOfSeveral",
         ID_ACTION_CLOSE_CONNECTION,
         {2, 1},
         kClosedOk,
         {"8080", "80", "53"},
         true},
        {"FromThePopup", ID_POPUP_CLOSE_CONNECTION, {0}, kClosedOk, {"443", "80", "53"}, true},
    };
    for (const CloseCommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        boxes = std::make_shared<FakeMessageBox>();
        fake = std::make_shared<FakeSystem>();
        CPortsDlg& dlg = StartListed();
        CPortListCtrl& list = dlg.List();
        Select(list, c.selected);
        const int lowest =
            c.selected.empty() ? -1 : *std::min_element(c.selected.begin(), c.selected.end());
        const std::string closedPort = list.GetItemText(lowest, kColLocalPort);
        ASSERT_TRUE(dlg.OnCommand(c.command));
        ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.box});
        EXPECT_TRUE(PumpUntil([&] { return LocalPorts(list) == c.portsAfter; }, 2s))
            << testing::PrintToString(LocalPorts(list));
        const auto deleted = fake->ip.DeletedRows();
        ASSERT_EQ(deleted.size(), c.deletes ? 1u : 0u);
        if (c.deletes) {
            EXPECT_EQ(ntohs(static_cast<uint16_t>(deleted[0].localPort)), std::stoi(closedPort));
        }
    }
}

// Two clients from one remote address on one local port: the rows differ only in the remote
// port, and the one selected is the one closed, whichever comes first in the table.
TEST_F(CloseCommandTest, ClosesTheSelectedOfTwoRowsThatDifferOnlyInTheRemotePort) {
    for (const uint16_t selectedPort : {40001, 40002}) {
        SCOPED_TRACE(selectedPort);
        boxes = std::make_shared<FakeMessageBox>();
        fake = std::make_shared<FakeSystem>();
        TcpExRow first = Connection(8080, 4), second = Connection(8080, 4);
        first.remotePort = htons(40001);
        second.remotePort = htons(40002);
        fake->ip.tcpEx = {first, second};
        fake->ip.tcp = {first, second};
        fake->processes.processes = {{4, "server"}};
        CPortsDlg& dlg = Start(nullptr, boxes);
        ASSERT_TRUE(PumpUntil(
            [&] { return dlg.List().GetItemCount() == 2 && CWorkerThread::LiveCount() == 0; }));
        CPortListCtrl& list = dlg.List();
        list.FlushUpdates();
        const int row = list.GetItemText(0, kColRemotePort) == std::to_string(selectedPort) ? 0 : 1;
        ASSERT_EQ(list.GetItemText(row, kColRemotePort), std::to_string(selectedPort));
        list.selectRow(row);

        ASSERT_TRUE(dlg.OnCommand(ID_ACTION_CLOSE_CONNECTION));
        ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{kClosedOk});
        const auto deleted = fake->ip.DeletedRows();
        ASSERT_EQ(deleted.size(), 1u);
        EXPECT_EQ(ntohs(static_cast<uint16_t>(deleted[0].remotePort)), selectedPort);
        EXPECT_TRUE(PumpUntil([&] { return list.GetItemCount() == 1; }, 2s));
        EXPECT_NE(list.GetItemText(0, kColRemotePort), std::to_string(selectedPort));
    }
}

TEST_F(CloseCommandTest, ARowWithoutAddressAndPortEndsInAnError) {
    CPortsDlg& dlg = StartListed();
    CPortListCtrl& list = dlg.List();
    // A TCP row of the plain table, which has neither Remote Address nor Local Port.
    list.InsertItem("TCP", 0);
    list.FlushUpdates();
    list.selectRow(0);
    dlg.OnCommand(ID_ACTION_CLOSE_CONNECTION);
    ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCloseError});
    EXPECT_EQ(list.GetItemCount(), 5);
    EXPECT_TRUE(fake->ip.DeletedRows().empty());
}

// The popup's Close Connection with no row selected: the box comes after the menu is gone.
TEST_F(CloseCommandTest, PopupCloseWithoutSelectionAsksForARowAfterTheMenuClosed) {
    bool menuOpenAtBox = true;
    struct WatchingBox : FakeMessageBox {
        bool* menuOpen;
        bool Show(const std::string& text, const std::string& title, MessageIcon icon) override {
            *menuOpen = QApplication::activePopupWidget() != nullptr;
            return FakeMessageBox::Show(text, title, icon);
        }
    };
    auto watching = std::make_shared<WatchingBox>();
    watching->menuOpen = &menuOpenAtBox;
    boxes = watching;
    CPortsDlg& dlg = StartListed();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    CPortListCtrl& list = dlg.List();
    const QPoint at(20, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &event);
    QMenu* menu = list.PopupMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->isVisible());
    QAction* close = menu->actions().back();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(close).center());
    ASSERT_TRUE(PumpUntil([&] { return !boxes->Boxes().empty(); }));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNoSelection});
    EXPECT_FALSE(menuOpenAtBox);
    EXPECT_EQ(CWorkerThread::LiveCount(), 0);
}

TEST_F(CloseCommandTest, EnterAndEscapeInTheListLeaveTheWindowOpen) {
    CPortsDlg& dlg = StartListed();
    CPortListCtrl& list = dlg.List();
    list.selectRow(1);
    for (const auto key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab}) {
        QTest::keyClick(&list, key);
        EXPECT_FALSE(dlg.Ended()) << key;
        EXPECT_TRUE(dlg.isVisible()) << key;
    }
    EXPECT_EQ(list.GetItemCount(), 4);
}

bool HasNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    return ::syscall(SYS_capget, &header, data) == 0 &&
           (data[0].effective & (1u << CAP_NET_ADMIN)) != 0;
}

uint16_t SocketPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// As root: the selected row of a real loopback connection is closed, the peer sees a reset
// and exactly that row leaves the list.
TEST_F(CloseCommandTest, ClosesARealLoopbackConnection) {
    if (!HasNetAdmin()) {
        GTEST_SKIP() << "closing a connection needs CAP_NET_ADMIN (run as root)";
    }
    Listener listener;
    ASSERT_NE(listener.port, 0);
    UniqueFd client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(listener.port));
    ASSERT_EQ(::connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    UniqueFd server(::accept4(listener.fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(server.Valid());
    timeval timeout{60, 0}; // generous: a loaded machine may take its time to deliver the reset
    ::setsockopt(server.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const std::string clientPort = std::to_string(SocketPort(client.Get()));

    CPortsDlg& dlg = Start(std::make_shared<LinuxSystem>(), boxes);
    CPortListCtrl& list = dlg.List();
    auto rowOfClient = [&] {
        for (int row = 0; row < list.GetItemCount(); ++row) {
            if (list.GetItemText(row, kColProtocol) == "TCP" &&
                list.GetItemText(row, kColLocalPort) == clientPort &&
                list.GetItemText(row, kColRemoteAddress) == "127.0.0.1" &&
                list.GetItemText(row, kColRemotePort) == std::to_string(listener.port)) {
                return row;
            }
        }
        return -1;
    };
    ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0 && rowOfClient() >= 0; }));
    const int row = rowOfClient();
    list.FlushUpdates();
    list.selectRow(row);
    std::vector<std::string> expected;
    for (int r = 0; r < list.GetItemCount(); ++r) {
        if (r != row) {
            expected.push_back(list.GetItemText(r, kColLocalPort) + " " +
                               list.GetItemText(r, kColRemotePort));
        }
    }

    dlg.OnCommand(ID_ACTION_CLOSE_CONNECTION);
    ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kClosedOk});
    char byte;
    EXPECT_EQ(::recv(server.Get(), &byte, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
    std::vector<std::string> after;
    for (int r = 0; r < list.GetItemCount(); ++r) {
        after.push_back(list.GetItemText(r, kColLocalPort) + " " +
                        list.GetItemText(r, kColRemotePort));
    }
    EXPECT_EQ(after, expected);
}

TEST_F(PortsDlgTest, HelpContentsOpensTheIndexPageOfTheBuildTree) {
    // The program's folder as the program passes it, with its closing '/'.
    programDir = HL_APP_DIR "/";
    CPortsDlg& dlg = Start();
    EXPECT_TRUE(dlg.OnCommand(ID_HELP_CONTENTS));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0],
              QUrl::fromLocalFile(QStringLiteral(HL_APP_DIR "/harborlight-help/index.html")));
    EXPECT_TRUE(std::filesystem::is_regular_file(shell.opened[0].toLocalFile().toStdString()));
}

TEST_F(PortsDlgTest, HelpContentsOpensTheIndexPageOfAnInstalledTree) {
    QTemporaryDir prefix;
    const std::filesystem::path root = prefix.path().toStdString();
    std::filesystem::create_directories(root / "share" / "harborlight" / "help");
    std::ofstream(root / "share" / "harborlight" / "help" / "index.html") << "<html></html>";
    std::filesystem::create_directories(root / "bin");
    programDir = (root / "bin").string();
    CPortsDlg& dlg = Start();
    dlg.OnCommand(ID_HELP_CONTENTS);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].toLocalFile().toStdString(),
              (root / "share" / "harborlight" / "help" / "index.html").string());
}

TEST_F(PortsDlgTest, HelpContentsWithoutHelpPagesAsksNothingAndReturns) {
    QTemporaryDir empty;
    programDir = empty.path().toStdString();
    CPortsDlg& dlg = Start();
    EXPECT_TRUE(dlg.OnCommand(ID_HELP_CONTENTS));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(QApplication::topLevelWidgets().contains(&dlg));
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_TRUE(window == &dlg || !window->isVisible()) << window->windowTitle().toStdString();
    }
}

TEST_F(PortsDlgTest, AboutRunsOneBoxUntilItEnds) {
    CPortsDlg& dlg = Start();
    auto shownBoxes = [] {
        std::vector<CAboutBox*> boxes;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<CAboutBox*>(window); box != nullptr && box->isVisible()) {
                boxes.push_back(box);
            }
        }
        return boxes;
    };
    std::vector<CAboutBox*> shown;
    size_t shownAfterSecondAsk = 0;
    QTimer::singleShot(0, &dlg, [&] {
        shown = shownBoxes();
        // Asked again while it is shown, no second box comes.
        dlg.OnCommand(ID_HELP_ABOUT);
        shownAfterSecondAsk = shownBoxes().size();
        if (!shown.empty()) {
            QTest::keyClick(shown.front(), Qt::Key_Escape);
        }
    });
    QTimer::singleShot(10000, &dlg, [&] {
        if (!shown.empty()) {
            shown.front()->EndDialog(-1);
        }
    });
    EXPECT_TRUE(dlg.OnCommand(ID_HELP_ABOUT));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shownAfterSecondAsk, 1u);
    // The box is gone once the command returns.
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace
} // namespace hl
