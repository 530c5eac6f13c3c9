#include "app/SettingsDlg.h"

#include "FakeShell.h"
#include "LoopbackSockets.h"
#include "QtTestSupport.h"
#include "app/PortsDlg.h"
#include "inventory/TraceSink.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixFiles.h"
#include "resources/DialogTemplate.h"
#include "resources/ResourceIds.h"
#include "settings/ProgramSettings.h"
#include "settings/store/fake/FakeRegistry.h"
#include "workers/WorkerThread.h"

#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::FakeShell;
using test::PumpUntil;

constexpr uint32_t kNotStored = 0xDEADBEEF;

// The settings in a registry fake that records every call.
class SettingsStore {
public:
    std::shared_ptr<FakeRegistry> registry = std::make_shared<FakeRegistry>();

    void Store(Setting setting, uint32_t value) {
        CRegistryKey key(registry);
        ASSERT_TRUE(StoreSetting(key, setting, value));
    }
    std::optional<uint32_t> Stored(Setting setting) const {
        CRegistryKey key(registry);
        if (!key.SetRootKey(kHkeyCurrentUser) || !key.Open(kSettingsKeyPath, false)) {
            return std::nullopt;
        }
        const uint32_t value = key.ReadDword(setting.name, kNotStored);
        return value == kNotStored ? std::nullopt : std::optional(value);
    }
    // The values written since the last call, in their order.
    std::vector<std::string> TakeWrites() {
        std::vector<std::string> writes;
        for (size_t i = m_nSeen; i < registry->calls.size(); ++i) {
            if (registry->calls[i].rfind("SetValue ", 0) == 0) {
                writes.push_back(registry->calls[i].substr(9));
            }
        }
        m_nSeen = registry->calls.size();
        return writes;
    }

private:
    size_t m_nSeen = 0;
};

const std::vector<std::string> kOkWriteOrder = {"SpeedSlider", "ShowTCP", "ShowUDP", "AutoRefresh"};

// The dialog on its own, as the Settings command opens it.
class SettingsDlgTest : public testing::Test, protected SettingsStore {
protected:
    CSettingsDlg& Open() {
        m_dlg = std::make_unique<CSettingsDlg>(CRegistryKey(registry), nullptr);
        m_dlg->Create();
        m_dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
        TakeWrites();
        return *m_dlg;
    }

    static std::vector<int> Shown(CSettingsDlg& dlg) {
        return {dlg.ShowTcpBox().isChecked(), dlg.ShowUdpBox().isChecked(),
                dlg.AutoRefreshBox().isChecked(), dlg.SpeedSliderControl().value()};
    }

private:
    std::unique_ptr<CSettingsDlg> m_dlg;
};

TEST_F(SettingsDlgTest, ShowsTheStoredValuesAndOkWritesAllFourInItsOrder) {
    struct Case {
        const char* name;
        std::vector<std::pair<Setting, uint32_t>> stored;
        std::vector<int> shown;        // TCP, UDP, monitoring, slider
        std::vector<uint32_t> written; // SpeedSlider, ShowTCP, ShowUDP, AutoRefresh
    };
    const std::vector<Case> cases = {
        {"first use: the defaults", {}, {1, 1, 0, 10}, {10, 1, 1, 0}},
        {"everything set",
         {{Setting::SpeedSlider, 55}, {Setting::AutoRefresh, 1}, {Setting::ShowUDP, 0}},
         {1, 0, 1, 55},
         {55, 1, 0, 1}},
        {"ShowTCP 5 is unchecked and written back as 0",
         {{Setting::ShowTCP, 5}},
         {0, 1, 0, 10},
         {10, 0, 1, 0}},
        {"AutoRefresh 2 is unchecked", {{Setting::AutoRefresh, 2}}, {1, 1, 0, 10}, {10, 1, 1, 0}},
        {"SpeedSlider 150 shows at the right end, written back as 100",
         {{Setting::SpeedSlider, 150}},
         {1, 1, 0, 100},
         {100, 1, 1, 0}},
        {"a negative SpeedSlider shows at the left end",
         {{Setting::SpeedSlider, 0xFFFFFFFF}},
         {1, 1, 0, 0},
         {0, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry->document = {};
        for (const auto& [setting, value] : c.stored) {
            Store(setting, value);
        }
        registry->calls.clear();
        CSettingsDlg& dlg = Open();
        // The key is opened with create, then the four values are read in their order.
        EXPECT_EQ(registry->calls.front(),
                  "CreateKey HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight\\Settings");
        std::vector<std::string> queries;
        for (const std::string& call : registry->calls) {
            if (call.rfind("QueryValue ", 0) == 0) {
                queries.push_back(call.substr(11));
            }
        }
        EXPECT_EQ(queries,
                  (std::vector<std::string>{"SpeedSlider", "AutoRefresh", "ShowTCP", "ShowUDP"}));
        EXPECT_EQ(Shown(dlg), c.shown);

        QTest::mouseClick(&dlg.OkButton(), Qt::LeftButton);
        EXPECT_TRUE(dlg.Ended());
        EXPECT_EQ(dlg.result(), IDOK);
        EXPECT_EQ(TakeWrites(), kOkWriteOrder);
        EXPECT_EQ((std::vector<std::optional<uint32_t>>{
                      Stored(Setting::SpeedSlider), Stored(Setting::ShowTCP),
                      Stored(Setting::ShowUDP), Stored(Setting::AutoRefresh)}),
                  (std::vector<std::optional<uint32_t>>{c.written[0], c.written[1], c.written[2],
                                                        c.written[3]}));
    }
}

TEST_F(SettingsDlgTest, TheWaysOutWithoutOkWriteNothing) {
    const std::vector<std::pair<const char*, std::function<void(CSettingsDlg&)>>> ways = {
        {"Cancel", [](CSettingsDlg& d) { QTest::mouseClick(&d.CancelButton(), Qt::LeftButton); }},
        {"Escape", [](CSettingsDlg& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Escape); }},
        {"close box", [](CSettingsDlg& d) { d.close(); }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        CSettingsDlg& dlg = Open();
        QTest::mouseClick(&dlg.ShowTcpBox(), Qt::LeftButton);
        ASSERT_FALSE(dlg.ShowTcpBox().isChecked());
        leave(dlg);
        EXPECT_TRUE(dlg.Ended());
        EXPECT_EQ(dlg.result(), IDCANCEL);
        EXPECT_TRUE(TakeWrites().empty());
    }
    EXPECT_EQ(Stored(Setting::ShowTCP), std::nullopt);
}

TEST_F(SettingsDlgTest, AKeyThatCannotBeOpenedShowsNothingCheckedAndOkWritesNothing) {
    registry->failWith = kErrorAccessDenied;
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(Shown(dlg), (std::vector<int>{0, 0, 0, 0}));
    QTest::mouseClick(&dlg.AutoRefreshBox(), Qt::LeftButton);
    QTest::mouseClick(&dlg.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(dlg.AutoRefresh(), 1);
}

TEST_F(SettingsDlgTest, TheControlsOfTheTemplate) {
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(dlg.size(), dlg.Units().ToPixels(FindDialogTemplate(IDD_SETTINGS)->rect).size());
    const std::vector<std::pair<int, QAbstractButton*>> buttons = {
        {IDOK, &dlg.OkButton()},
        {IDCANCEL, &dlg.CancelButton()},
        {IDC_SHOW_TCP, &dlg.ShowTcpBox()},
        {IDC_SHOW_UDP, &dlg.ShowUdpBox()},
        {IDC_AUTO_REFRESH, &dlg.AutoRefreshBox()},
    };
    for (const auto& [id, button] : buttons) {
        const DialogControl* control = FindControl(*dlg.Template(), id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(control->text));
        // At its place; a text too wide for the desktop's font may only grow to the right.
        const QRect place = dlg.ControlRect(id);
        EXPECT_EQ(button->geometry().topLeft(), place.topLeft()) << control->text;
        EXPECT_GE(button->width(), place.width()) << control->text;
        EXPECT_TRUE(button->isVisible());
    }
    EXPECT_EQ(dlg.ShowTcpBox().text(), QStringLiteral("Display all TCP connections"));
    EXPECT_EQ(dlg.ShowUdpBox().text(), QStringLiteral("Display all UDP connections"));
    EXPECT_EQ(dlg.AutoRefreshBox().text(),
              QStringLiteral("Automatically refresh connection list and ports"));
    EXPECT_TRUE(dlg.OkButton().isDefault());
    EXPECT_FALSE(dlg.CancelButton().isDefault());

    // Every text is shown whole.
    std::vector<QString> labels;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        labels.push_back(label->text());
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    EXPECT_EQ(labels, (std::vector<QString>{QStringLiteral("Refresh Slower"),
                                            QStringLiteral("Refresh Faster")}));
    for (const QCheckBox* box : dlg.findChildren<QCheckBox*>()) {
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->text().toStdString();
    }
    std::vector<QString> groups;
    for (const QGroupBox* group : dlg.findChildren<QGroupBox*>()) {
        groups.push_back(group->title());
    }
    EXPECT_EQ(groups, (std::vector<QString>{QStringLiteral("Filter"),
                                            QStringLiteral("Automatic Refresh")}));

    const QSlider& slider = dlg.SpeedSliderControl();
    EXPECT_EQ(slider.orientation(), Qt::Horizontal);
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 100);
    EXPECT_EQ(slider.tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(slider.geometry(), dlg.ControlRect(IDC_SPEED_SLIDER));
}

TEST_F(SettingsDlgTest, TheKeyboardReachesEveryControl) {
    CSettingsDlg& dlg = Open();
    // The focus starts on OK; Tab goes through the template order and comes back.
    const std::vector<QWidget*> order = {
        &dlg.OkButton(),       &dlg.CancelButton(),       &dlg.ShowTcpBox(), &dlg.ShowUdpBox(),
        &dlg.AutoRefreshBox(), &dlg.SpeedSliderControl(), &dlg.OkButton()};
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(dlg.focusWidget(), order[i]) << "stop " << i;
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
    }
    // Space toggles a check box.
    dlg.AutoRefreshBox().setFocus();
    QTest::keyClick(&dlg.AutoRefreshBox(), Qt::Key_Space);
    EXPECT_TRUE(dlg.AutoRefreshBox().isChecked());

    // The slider moves by one with the arrows, by a fifth with the page keys.
    QSlider& slider = dlg.SpeedSliderControl();
    slider.setFocus();
    const std::vector<std::pair<Qt::Key, int>> keys = {
        {Qt::Key_Right, 11}, {Qt::Key_Left, 10},   {Qt::Key_PageUp, 30}, {Qt::Key_PageDown, 10},
        {Qt::Key_End, 100},  {Qt::Key_Right, 100}, {Qt::Key_Home, 0},    {Qt::Key_Left, 0}};
    for (const auto& [key, value] : keys) {
        QTest::keyClick(&slider, key);
        EXPECT_EQ(slider.value(), value) << key;
    }
    QTest::keyClick(&slider, Qt::Key_End);

    // Enter is OK, wherever the focus is but on Cancel.
    QTest::keyClick(&slider, Qt::Key_Return);
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(TakeWrites(), kOkWriteOrder);
    EXPECT_EQ(Stored(Setting::SpeedSlider), 100u);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 1u);
}

// The Settings command on the main window.
class SettingsCommandTest : public testing::Test, protected SettingsStore {
protected:
    void TearDown() override {
        m_dlg.reset();
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(10s));
    }

    CPortsDlg& Start(std::shared_ptr<ISystem> system = nullptr) {
        PortsDlgServices services;
        services.shell = &shell;
        services.system = system ? std::move(system) : fake;
        services.trace = std::make_shared<CaptureTraceSink>();
        services.registry = registry;
        services.files = std::make_shared<PosixFiles>();
        m_dlg = std::make_unique<CPortsDlg>(std::move(services));
        m_dlg->Create();
        EXPECT_TRUE(PumpUntil([] { return CWorkerThread::LiveCount() == 0; }));
        return *m_dlg;
    }

    static CSettingsDlg& OpenSettings(CPortsDlg& dlg) {
        dlg.OnCommand(ID_TOOLS_SETTINGS);
        CSettingsDlg* settings = dlg.SettingsDialog();
        EXPECT_NE(settings, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(settings));
        return *settings;
    }
    // Confirms or cancels the dialog; it is gone once its end has been handled.
    static void Leave(CPortsDlg& dlg, QAbstractButton& button) {
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(dlg.SettingsDialog(), nullptr);
    }

    static bool HasRow(CPortListCtrl& list, const std::string& protocol, int port = 0) {
        for (int row = 0; row < list.GetItemCount(); ++row) {
            if (list.GetItemText(row, kColProtocol) == protocol &&
                (port == 0 || list.GetItemText(row, kColLocalPort) == std::to_string(port))) {
                return true;
            }
        }
        return false;
    }

    FakeShell shell;
    std::shared_ptr<FakeSystem> fake = std::make_shared<FakeSystem>();

private:
    std::unique_ptr<CPortsDlg> m_dlg;
};

TEST_F(SettingsCommandTest, TheDialogIsModalToTheMainWindowOnlyAndOpensOnce) {
    CPortsDlg& dlg = Start();
    CSettingsDlg& settings = OpenSettings(dlg);
    EXPECT_EQ(settings.parentWidget(), &dlg);
    EXPECT_EQ(settings.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(settings.isWindow());
    EXPECT_EQ(settings.focusWidget(), &settings.OkButton());
    dlg.OnCommand(ID_TOOLS_SETTINGS);
    EXPECT_EQ(dlg.SettingsDialog(), &settings);
    EXPECT_EQ(dlg.findChildren<CSettingsDlg*>().size(), 1);

    // A box of a close worker is not blocked by it.
    std::shared_ptr<IMessageBox> boxes = dlg.MessageBoxes().Boxes();
    EXPECT_TRUE(boxes->Show("Connection closed", kAppTitle, MessageIcon::Information));
    ASSERT_EQ(dlg.MessageBoxes().OpenBoxes().size(), 1u);
    EXPECT_EQ(dlg.MessageBoxes().OpenBoxes().front()->parentWidget(), nullptr);

    // The main window ending takes the dialog with it, without applying anything.
    TakeWrites();
    dlg.OnCommand(ID_FILE_EXIT);
    EXPECT_TRUE(PumpUntil([&] { return dlg.Ended(); }, 2s));
    EXPECT_EQ(dlg.SettingsDialog(), nullptr);
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(SettingsCommandTest, MonitoringSwitchesAtOnceWithTheChosenSpeed) {
    CPortsDlg& dlg = Start();
    ASSERT_EQ(dlg.TimerId(), 0u);

    CSettingsDlg& on = OpenSettings(dlg);
    QTest::mouseClick(&on.AutoRefreshBox(), Qt::LeftButton);
    on.SpeedSliderControl().setFocus();
    QTest::keyClick(&on.SpeedSliderControl(), Qt::Key_End);
    Leave(dlg, on.OkButton());
    EXPECT_EQ(dlg.TimerId(), 1u);
    EXPECT_EQ(dlg.TimerInterval(), 1000);
    EXPECT_EQ((std::vector{dlg.SpeedSlider(), dlg.AutoRefresh()}), (std::vector{100, 1}));
    EXPECT_EQ(Stored(Setting::AutoRefresh), 1u);

    CSettingsDlg& off = OpenSettings(dlg);
    EXPECT_TRUE(off.AutoRefreshBox().isChecked());
    QTest::mouseClick(&off.AutoRefreshBox(), Qt::LeftButton);
    Leave(dlg, off.OkButton());
    EXPECT_EQ(dlg.TimerId(), 0u);
    EXPECT_EQ(dlg.TimerInterval(), 0);
    EXPECT_EQ(Stored(Setting::AutoRefresh), 0u);
}

TEST_F(SettingsCommandTest, CancelStoresNothingYetRefreshesAndSetsTheTimerAgain) {
    Store(Setting::AutoRefresh, 1);
    Store(Setting::SpeedSlider, 50);
    CPortsDlg& dlg = Start();
    ASSERT_EQ(dlg.TimerInterval(), 6000);
    CPortListCtrl& list = dlg.List();
    list.InsertItem("marker", kNoImage);

    CSettingsDlg& settings = OpenSettings(dlg);
    QTest::mouseClick(&settings.ShowTcpBox(), Qt::LeftButton);
    // Changed behind the window's back: the timer set again after Cancel shows it was.
    Store(Setting::SpeedSlider, 100);
    TakeWrites();
    Leave(dlg, settings.CancelButton());
    // Only monitoring's own AutoRefresh (stop, then start) is written.
    EXPECT_EQ(TakeWrites(), (std::vector<std::string>{"AutoRefresh", "AutoRefresh"}));
    EXPECT_EQ(Stored(Setting::ShowTCP), std::nullopt);
    EXPECT_EQ(dlg.ShowTCP(), 1);
    EXPECT_EQ(dlg.TimerId(), 1u);
    EXPECT_EQ(dlg.TimerInterval(), 1000);
    EXPECT_TRUE(PumpUntil([&] { return list.GetItemCount() == 0; }));
}

TEST_F(SettingsCommandTest, TheTimerGoesOnRefreshingWhileTheDialogIsOpen) {
    Store(Setting::AutoRefresh, 1);
    Store(Setting::SpeedSlider, 100);
    CPortsDlg& dlg = Start();
    ASSERT_EQ(dlg.TimerInterval(), 1000);
    CSettingsDlg& settings = OpenSettings(dlg);
    dlg.List().InsertItem("marker", kNoImage);
    EXPECT_TRUE(PumpUntil([&] { return dlg.List().GetItemCount() == 0; }, 15s));
    EXPECT_EQ(dlg.SettingsDialog(), &settings);
    Leave(dlg, settings.CancelButton());
}

TEST_F(SettingsCommandTest, UncheckingTcpListsNoTcpRowsFromTheNextRefresh) {
    test::Listener listener;
    test::UdpEndpoint udp;
    ASSERT_NE(listener.port, 0);
    ASSERT_NE(udp.port, 0);
    CPortsDlg& dlg = Start(std::make_shared<LinuxSystem>());
    CPortListCtrl& list = dlg.List();
    ASSERT_TRUE(PumpUntil([&] { return HasRow(list, "TCP", listener.port); }, 5s));

    CSettingsDlg& settings = OpenSettings(dlg);
    QTest::mouseClick(&settings.ShowTcpBox(), Qt::LeftButton);
    Leave(dlg, settings.OkButton());
    EXPECT_EQ(Stored(Setting::ShowTCP), 0u);
    EXPECT_EQ(dlg.ShowTCP(), 0);
    EXPECT_TRUE(PumpUntil(
        [&] { return CWorkerThread::LiveCount() == 0 && HasRow(list, "UDP", udp.port); }, 5s));
    EXPECT_FALSE(HasRow(list, "TCP"));
}

} // namespace
} // namespace hl
