#include "app/TrayHostDlg.h"

#include "FakeShell.h"
#include "QtTestSupport.h"
#include "resources/ResourceIds.h"

#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

using test::FakeShell;

// A tray dialog that records the commands that reach it.
class RecordingTrayDlg : public CTrayHostDlg {
public:
    explicit RecordingTrayDlg(IShell& shell) : CTrayHostDlg(IDD_PORTS_DIALOG, nullptr, shell) {
        SetTrayIcon(IDR_MAINFRAME);
        SetTrayTip("Tidewatch");
        SetTrayMenu(IDR_TRAY_MENU);
    }
    bool OnCommand(int id) override {
        commands.push_back(id);
        return true;
    }
    std::vector<int> commands;
};

class TrayHostDlgTest : public testing::Test {
protected:
    void SetUp() override {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    void Minimise() {
        dlg.showMinimized();
        QCoreApplication::processEvents();
    }

    FakeShell shell;
    RecordingTrayDlg dlg{shell};
};

TEST_F(TrayHostDlgTest, MinimisingHidesTheWindowAndAddsTheIcon) {
    Minimise();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.isMinimized());
    ASSERT_NE(shell.Icon(), nullptr);
    const NotifyIconData& icon = *shell.Icon();
    EXPECT_EQ(icon.uID, 1u);
    EXPECT_EQ(icon.uCallbackMessage, 0x401u);
    EXPECT_EQ(icon.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(FakeShell::Tip(icon), "Tidewatch");
    EXPECT_FALSE(icon.hIcon.isNull());
    EXPECT_TRUE(dlg.IsIconInTray());

    // A double-click takes the icon away and shows the window as it was.
    shell.Click(TrayMouseMessage::LButtonDblClk);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.isMinimized());
    EXPECT_EQ(shell.Icon(), nullptr);
    EXPECT_FALSE(dlg.IsIconInTray());
}

TEST_F(TrayHostDlgTest, OtherMessagesAndOtherIconIdsDoNothing) {
    Minimise();
    const size_t calls = shell.calls.size();
    for (const auto message : {TrayMouseMessage::LButtonDown, TrayMouseMessage::LButtonUp,
                               TrayMouseMessage::RButtonUp, TrayMouseMessage::RButtonDblClk,
                               TrayMouseMessage::MouseMove, TrayMouseMessage::MButtonDown}) {
        shell.Click(message);
    }
    shell.Click(TrayMouseMessage::LButtonDblClk, 2);
    shell.Click(TrayMouseMessage::RButtonDown, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.IsIconInTray());
    EXPECT_EQ(shell.calls.size(), calls);
    EXPECT_EQ(dlg.TrayPopup(), nullptr);
    EXPECT_TRUE(dlg.commands.empty());
}

TEST_F(TrayHostDlgTest, RightPressShowsTheTrayMenuWithItsDefaultItemBoldAtTheCursor) {
    Minimise();
    QCursor::setPos(300, 400);
    shell.Click(TrayMouseMessage::RButtonDown);
    QMenu* menu = dlg.TrayPopup();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    ASSERT_NE(menu->defaultAction(), nullptr);
    EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("Refresh"));
    // Its bottom edge at the cursor, its left edge at the cursor's x.
    EXPECT_EQ(menu->geometry().left(), 300);
    EXPECT_EQ(menu->geometry().bottom() + 1, 400);

    // Drawn bold: the default item looks different from the same item without the default,
    // the item below it the same.
    QMenu plain;
    for (QAction* action : menu->actions()) {
        plain.addAction(action->text())->setSeparator(action->isSeparator());
    }
    plain.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    const auto strip = [](QMenu& m, int item) {
        const QRect rect = m.actionGeometry(m.actions()[item]);
        return m.grab(QRect(rect.left(), rect.top(), 60, rect.height())).toImage();
    };
    EXPECT_NE(strip(*menu, 0), strip(plain, 0));
    EXPECT_EQ(strip(*menu, 1), strip(plain, 1));
    plain.hide();

    // A choice arrives as a command once the menu has closed.
    menu->actions()[3]->trigger();
    menu->hide();
    EXPECT_TRUE(dlg.commands.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(dlg.commands, std::vector{ID_TRAY_EXIT});
}

TEST_F(TrayHostDlgTest, DestroyingTheWindowRemovesAnIconStillInTheTray) {
    Minimise();
    ASSERT_TRUE(dlg.IsIconInTray());
    dlg.DestroyWindow();
    EXPECT_EQ(shell.Icon(), nullptr);
    EXPECT_TRUE(dlg.Ended());
    ASSERT_FALSE(shell.calls.empty());
    EXPECT_EQ(shell.calls.back().message, NotifyIconMessage::Delete);
}

TEST_F(TrayHostDlgTest, AddAndRemoveRefuseTwice) {
    EXPECT_FALSE(dlg.RemoveTrayIcon());
    EXPECT_TRUE(dlg.AddTrayIcon());
    EXPECT_FALSE(dlg.AddTrayIcon());
    EXPECT_TRUE(dlg.RemoveTrayIcon());
    EXPECT_FALSE(dlg.RemoveTrayIcon());
    EXPECT_EQ(shell.calls.size(), 2u);
}

TEST_F(TrayHostDlgTest, WhenTheShellRefusesTheIconTheMinimiseIsDropped) {
    shell.refuse = true;
    Minimise();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.isMinimized());
    EXPECT_FALSE(dlg.IsIconInTray());
}

TEST_F(TrayHostDlgTest, WithoutANotificationAreaMinimisingMinimises) {
    shell.notificationArea = false;
    Minimise();
    EXPECT_TRUE(dlg.isMinimized());
    EXPECT_TRUE(shell.calls.empty());
}

TEST(TrayHostDlg, TipsAreCutToFitTheirField) {
    FakeShell shell;
    CTrayHostDlg dlg(IDD_PORTS_DIALOG, nullptr, shell);
    struct Case {
        std::string tip;
        std::string stored;
    };
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    const std::vector<Case> cases = {
        {"Tidewatch", "Tidewatch"},
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(300, 'b'), std::string(127, 'b')},
        // A sequence that would be cut is left out whole.
        {std::string(126, 'c') + euro, std::string(126, 'c')},
        {std::string(125, 'd') + euro, std::string(125, 'd')},
        {std::string(124, 'e') + euro + "x", std::string(124, 'e') + euro},
        {"", ""},
    };
    for (const Case& c : cases) {
        dlg.SetTrayTip(c.tip);
        EXPECT_EQ(FakeShell::Tip(dlg.TrayData()), c.stored) << c.tip.size();
        EXPECT_EQ(dlg.TrayData().szTip.back(), '\0');
        EXPECT_TRUE(dlg.TrayData().uFlags & NIF_TIP);
    }
    // Unknown resources leave the icon data as it was.
    EXPECT_TRUE(dlg.SetTrayIcon(999).isNull());
    EXPECT_FALSE(dlg.TrayData().uFlags & NIF_ICON);
    EXPECT_FALSE(dlg.SetTrayMenu(999));
}

} // namespace
} // namespace hl
