// The main window's toolbar, status line and layout, on real widgets.

#include "FakeShell.h"
#include "QtTestSupport.h"
#include "app/AboutBox.h"
#include "app/ColorToolBar.h"
#include "app/MainLayout.h"
#include "app/PortsDlg.h"
#include "inventory/TraceSink.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/PosixFiles.h"
#include "resources/ResourceIds.h"
#include "workers/WorkerThread.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <arpa/inet.h>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::FakeShell;
using test::PumpUntil;

// The main window, recording every command that reaches its command handling; only those
// in `handled` are carried out (by default all).
class RecordingDlg : public CPortsDlg {
public:
    using CPortsDlg::CPortsDlg;
    bool OnCommand(int id) override {
        commands.push_back(id);
        if (handled.has_value() && handled->count(id) == 0) {
            return true;
        }
        return CPortsDlg::OnCommand(id);
    }
    std::vector<int> commands;
    std::optional<std::set<int>> handled;
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        TcpExRow row;
        row.state = kTcpStateEstablished;
        row.localAddr = htonl(INADDR_LOOPBACK);
        row.localPort = htons(8080);
        row.pid = 7;
        fake->ip.tcpEx = {row};
        fake->processes.processes = {{7, "server"}};
    }
    void TearDown() override {
        m_dlg.reset();
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(10s));
    }

    RecordingDlg& Start(int toolBarResource = IDR_TOOLBAR) {
        PortsDlgServices services;
        services.shell = &shell;
        services.system = fake;
        services.trace = std::make_shared<CaptureTraceSink>();
        services.files = std::make_shared<PosixFiles>();
        services.toolBarResource = toolBarResource;
        m_dlg = std::make_unique<RecordingDlg>(std::move(services));
        m_dlg->Create();
        return *m_dlg;
    }

    // Gives the window a client area of this size.
    static void ResizeClient(RecordingDlg& dlg, int width, int height) {
        dlg.resize(dlg.width() + width - dlg.Client()->width(),
                   dlg.height() + height - dlg.Client()->height());
        QCoreApplication::processEvents();
    }

    FakeShell shell;
    std::shared_ptr<FakeSystem> fake = std::make_shared<FakeSystem>();

private:
    QTemporaryDir m_config;
    std::unique_ptr<RecordingDlg> m_dlg;
};

TEST(ColorToolBar, LabelsAndTipsFromTheCommandStrings) {
    struct Case {
        const char* text;
        const char* label;
        const char* prompt;
    };
    const std::vector<Case> cases = {
        {"Refresh\nRefresh", "Refresh", "Refresh"},
        {"Program Settings\nSettings", "Settings", "Program Settings"},
        {"About this software\n   About   ", "   About   ", "About this software"},
        {"plain", "plain", "plain"},
        {"a\n\n\nb", "b", "a"},
        {"a\nb\n", "b", "a"},
        {"a\n\n", "a", "a"},
        {"\nb", "b", ""},
        {"", "", ""},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) {
        const std::string name = c.text != nullptr ? c.text : "(none)";
        EXPECT_EQ(CColorToolBar::LabelOf(c.text), QString::fromUtf8(c.label)) << name;
        EXPECT_EQ(CColorToolBar::PromptOf(c.text), QString::fromUtf8(c.prompt)) << name;
    }
}

TEST_F(MainWindowTest, ToolbarHasFiveLabelledButtonsOfTheLargestSize) {
    RecordingDlg& dlg = Start();
    CColorToolBar& bar = dlg.ToolBar();
    ASSERT_TRUE(bar.IsWindow());
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.ControlId(), AFX_IDW_TOOLBAR);
    EXPECT_EQ(bar.iconSize(), QSize(24, 24));

    std::vector<std::string> items;
    for (int i = 0; i < bar.GetButtonCount(); ++i) {
        const ToolbarButton button = bar.GetButton(i);
        items.push_back(button.separator ? "-"
                                         : std::to_string(button.idCommand) + " " +
                                               std::to_string(button.iBitmap) + " [" +
                                               button.text.toStdString() + "]");
    }
    EXPECT_EQ(items, (std::vector<std::string>{"32780 0 [Refresh]", "-", "32792 1 [Export]", "-",
                                               "32793 2 [Terminate]", "-", "32785 3 [Settings]",
                                               "-", "32777 4 [   About   ]"}));

    // Every button as large as the largest label's button would be, plus 2 x 4 pixels.
    QSize natural;
    for (int i = 0; i < bar.GetButtonCount(); i += 2) {
        QToolButton probe;
        probe.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        probe.setIconSize(QSize(24, 24));
        probe.setAutoRaise(true);
        probe.setIcon(bar.GetButtonWidget(i)->icon());
        probe.setText(bar.GetButton(i).text);
        natural = natural.expandedTo(probe.sizeHint());
    }
    const QSize expected = natural + QSize(2, 4);
    EXPECT_EQ(bar.GetButtonSize(), expected);
    for (int i = 0; i < bar.GetButtonCount(); i += 2) {
        QToolButton* button = bar.GetButtonWidget(i);
        ASSERT_NE(button, nullptr) << i;
        EXPECT_EQ(bar.GetItemRect(i).size(), expected) << i;
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << i;
        EXPECT_TRUE(button->autoRaise()) << i;
        // The label is shown as it is, blanks and all.
        EXPECT_EQ(button->text(), bar.GetButton(i).text) << i;
    }
    for (int i = 1; i < bar.GetButtonCount(); i += 2) {
        EXPECT_EQ(bar.GetButtonWidget(i), nullptr) << i;
        EXPECT_LT(bar.GetItemRect(i).width(), expected.width()) << i;
    }
    EXPECT_EQ(bar.GetButtonWidget(6)->toolTip(), QStringLiteral("Program Settings"));
    EXPECT_EQ(bar.GetButtonWidget(8)->toolTip(), QStringLiteral("About this software"));
}

TEST_F(MainWindowTest, ToolbarPicturesShowWithoutTheirMagentaBackground) {
    RecordingDlg& dlg = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // The picture of each button, and the colour that must be in it.
    const std::vector<std::pair<int, QColor>> buttons = {
        {0, QColor(28, 150, 52)},  // green arrows
        {4, QColor(226, 36, 36)},  // red cross
        {6, QColor(230, 170, 30)}, // golden cog
        {8, QColor(50, 110, 230)}, // blue question mark
    };
    for (const auto& [index, colour] : buttons) {
        QToolButton* button = dlg.ToolBar().GetButtonWidget(index);
        ASSERT_NE(button, nullptr);
        const QImage image = button->grab().toImage();
        int magenta = 0;
        int matching = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                magenta += pixel.red() > 200 && pixel.green() < 80 && pixel.blue() > 200;
                matching += std::abs(pixel.red() - colour.red()) < 40 &&
                            std::abs(pixel.green() - colour.green()) < 40 &&
                            std::abs(pixel.blue() - colour.blue()) < 40;
            }
        }
        EXPECT_EQ(magenta, 0) << index;
        EXPECT_GT(matching, 10) << index;
    }
    // The hot images are there for the button under the mouse, at 1x and 2x.
    const QIcon icon = dlg.ToolBar().GetButtonWidget(4)->icon();
    EXPECT_FALSE(icon.pixmap(QSize(24, 24), QIcon::Active).isNull());
    EXPECT_EQ(dlg.ToolBarImages().Icon(2).availableSizes(),
              (QList<QSize>{QSize(24, 24), QSize(48, 48)}));
    EXPECT_EQ(dlg.ToolBarHotImages().GetImageCount(), 5);
}

TEST_F(MainWindowTest, EachButtonSendsItsCommand) {
    RecordingDlg& dlg = Start();
    CPortListCtrl& list = dlg.List();
    ASSERT_TRUE(PumpUntil([&] { return list.GetItemCount() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
    list.InsertItem("marker", kNoImage);
    dlg.commands.clear();
    // Refresh and About are carried out; the others only recorded.
    dlg.handled = std::set{ID_ACTION_REFRESH_NOW, ID_HELP_ABOUT};
    // The About box runs its own loop: it is seen there and closed.
    bool aboutShown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<CAboutBox*>(window); box != nullptr && box->isVisible()) {
                aboutShown = true;
                box->EndDialog(IDOK);
            }
        }
    });
    closer.start(10);

    for (int i = 0; i < dlg.ToolBar().GetButtonCount(); i += 2) {
        QTest::mouseClick(dlg.ToolBar().GetButtonWidget(i), Qt::LeftButton);
    }
    EXPECT_TRUE(PumpUntil([&] { return dlg.commands.size() == 5 && aboutShown; }));
    EXPECT_EQ(dlg.commands,
              (std::vector{ID_ACTION_REFRESH_NOW, ID_FILE_EXPORT, ID_ACTION_CLOSE_CONNECTION,
                           ID_TOOLS_SETTINGS, ID_HELP_ABOUT}));
    // Refresh refilled the list: the marker row is gone.
    EXPECT_TRUE(PumpUntil([&] {
        return list.GetItemCount() == 1 && list.GetItemText(0, kColProcessName) == "server";
    }));
}

TEST_F(MainWindowTest, WithoutItsToolbarResourceTheWindowWorksWithoutAToolbar) {
    RecordingDlg& dlg = Start(/*toolBarResource=*/4242);
    EXPECT_FALSE(dlg.ToolBar().IsWindow());
    EXPECT_FALSE(dlg.ToolBar().isVisible());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.StatusBar().IsWindow());

    ResizeClient(dlg, 600, 400);
    EXPECT_EQ(dlg.List().geometry(), QRect(5, 57, 590, 315));
    EXPECT_EQ(dlg.Separator().geometry(), QRect(0, 50, 600, 2));

    ASSERT_TRUE(PumpUntil([&] { return dlg.List().GetItemCount() == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return CWorkerThread::LiveCount() == 0; }));
    dlg.List().InsertItem("marker", kNoImage);
    dlg.GetMenu()->actions()[1]->menu()->actions()[0]->trigger(); // Action > Refresh Now
    EXPECT_TRUE(PumpUntil([&] {
        return dlg.List().GetItemCount() == 1 &&
               dlg.List().GetItemText(0, kColProcessName) == "server";
    }));
}

TEST_F(MainWindowTest, StatusLineHasAnEmptyPartAndTheProgramsLine) {
    RecordingDlg& dlg = Start();
    CStatusBarCtrl& bar = dlg.StatusBar();
    ASSERT_TRUE(bar.IsWindow());
    EXPECT_EQ(bar.ControlId(), IDC_STATUS_BAR);
    ASSERT_EQ(bar.GetPartCount(), 2);
    EXPECT_EQ(bar.GetText(0), QString());
    EXPECT_FALSE(bar.PartLabel(0)->isVisible());
    EXPECT_EQ(bar.GetText(1), QStringLiteral("   Harborlight - port monitoring software  "
                                             "[https://harborlight.example.org/]"));
    EXPECT_TRUE(bar.PartLabel(1)->isVisible());
    EXPECT_TRUE(bar.isSizeGripEnabled());
    // The line is shown whole, and the bar lies along the bottom of the client area.
    const QLabel* line = bar.PartLabel(1);
    EXPECT_GE(line->contentsRect().width(), line->fontMetrics().horizontalAdvance(line->text()));
    ResizeClient(dlg, 600, 400);
    EXPECT_EQ(bar.geometry(), QRect(0, 400 - bar.height(), 600, bar.height()));
}

TEST(MainLayout, PlacesTheChildrenForAClientSize) {
    struct Case {
        const char* name;
        QSize client;
        int toolBar;
        int statusBar;
        QRect separator;
        QRect list;
    };
    const std::vector<Case> cases = {
        {"Usual", {600, 400}, 40, 22, {0, 50, 600, 2}, {5, 57, 590, 315}},
        {"ToolbarFillsTheStrip", {600, 400}, 50, 28, {0, 50, 600, 2}, {5, 57, 590, 315}},
        {"NoBars", {600, 400}, 0, 0, {0, 50, 600, 2}, {5, 57, 590, 315}},
        {"TallToolbarMovesTheRestDown", {600, 400}, 61, 22, {0, 61, 600, 2}, {5, 68, 590, 304}},
        {"TallStatusBarShortensTheList", {600, 400}, 40, 34, {0, 50, 600, 2}, {5, 57, 590, 309}},
        {"Height85", {600, 85}, 40, 22, {0, 50, 600, 2}, {5, 57, 590, 0}},
        {"Height60", {600, 60}, 40, 22, {0, 50, 600, 2}, {5, 57, 590, 0}},
        {"Empty", {0, 0}, 40, 22, {0, 50, 0, 2}, {5, 57, 0, 0}},
        {"Narrow", {8, 400}, 40, 22, {0, 50, 8, 2}, {5, 57, 0, 315}},
    };
    for (const Case& c : cases) {
        const MainLayout layout = ComputeMainLayout(c.client, c.toolBar, c.statusBar);
        EXPECT_EQ(layout.separator, c.separator) << c.name;
        EXPECT_EQ(layout.list, c.list) << c.name;
        EXPECT_EQ(layout.toolBar, QRect(0, 0, c.client.width(), c.toolBar)) << c.name;
        EXPECT_EQ(layout.statusBar,
                  QRect(0, c.client.height() - c.statusBar, c.client.width(), c.statusBar))
            << c.name;
        // Nothing overlaps: toolbar above the separator above the list above the status bar.
        EXPECT_LE(layout.toolBar.bottom(), layout.separator.top() - 1) << c.name;
        EXPECT_LT(layout.separator.bottom(), layout.list.top()) << c.name;
        if (layout.list.height() > 0) {
            EXPECT_LE(layout.list.bottom(), layout.statusBar.top() - 1) << c.name;
        }
    }
}

TEST_F(MainWindowTest, TheListFollowsTheWindowsSizeBelowTheToolbar) {
    RecordingDlg& dlg = Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QWidget& bar = dlg.ToolBar();
    // The labels decide the toolbar's height; what it needs beyond the strip moves the rest.
    EXPECT_EQ(bar.height(), bar.sizeHint().height());
    const int shift = std::max(0, bar.height() - 50);
    for (const QSize client : {QSize(600, 400), QSize(900, 700), QSize(400, 200)}) {
        ResizeClient(dlg, client.width(), client.height());
        ASSERT_EQ(dlg.Client()->size(), client);
        EXPECT_EQ(bar.geometry(), QRect(0, 0, client.width(), bar.height()));
        EXPECT_EQ(dlg.Separator().geometry(), QRect(0, 50 + shift, client.width(), 2));
        EXPECT_EQ(dlg.List().geometry(),
                  QRect(5, 57 + shift, client.width() - 10, client.height() - 85 - shift));
        EXPECT_LT(bar.geometry().bottom(), dlg.Separator().geometry().top());
    }
    // A client area too low for the list leaves it without height.
    ResizeClient(dlg, 600, 60);
    if (dlg.Client()->height() == 60) {
        EXPECT_EQ(dlg.List().height(), 0);
    }
    ResizeClient(dlg, 600, 400);
    EXPECT_EQ(dlg.List().height(), 315 - shift);
}

} // namespace
} // namespace hl
