#include "app/AboutBox.h"

#include "FakeShell.h"
#include "QtTestSupport.h"
#include "app/StaticLink.h"
#include "resources/DialogTemplate.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QImage>
#include <QPointer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

using test::FakeShell;

// How many pixels of the widget have exactly this colour.
int CountPixels(QWidget& widget, const QColor& colour) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// An About box shown and initialised the way DoModal does it, without its loop.
class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override {
        box.Link().SetBeep([this] { ++beeps; });
        box.Create();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    }
    void ClickLink() { QTest::mouseClick(&box.Link(), Qt::LeftButton); }

    FakeShell shell;
    CAboutBox box{shell};
    int beeps = 0;
};

TEST(AboutTemplate, HoldsTheIconTextsAndButtonAtTheirPlaces) {
    const DialogTemplate* dialog = FindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(dialog, nullptr);
    EXPECT_STREQ(dialog->caption, "About Harborlight Scanner");
    EXPECT_EQ(dialog->menuId, 0);
    EXPECT_FALSE(dialog->resizable);
    EXPECT_EQ((std::vector{dialog->rect.cx, dialog->rect.cy}), (std::vector{225, 58}));
    struct Expected {
        int id;
        ControlKind kind;
        std::string text;
        std::vector<int> rect;
        bool tabStop;
    };
    const std::vector<Expected> expected = {
        {IDC_STATIC, ControlKind::Icon, "", {7, 5, 20, 20}, false},
        {IDC_STATIC,
         ControlKind::Static,
         "Harborlight Scanner Version 1.1",
         {40, 8, 115, 8},
         false},
        {IDC_STATIC, ControlKind::Static, kMakerName, {40, 19, 119, 8}, false},
        {IDOK, ControlKind::DefPushButton, "OK", {168, 5, 50, 14}, true},
        {IDC_WEB_LINK, ControlKind::Static, kMakerWebAddress, {39, 41, 114, 8}, false},
        {IDC_STATIC, ControlKind::Static, kPublicationLine, {39, 30, 119, 8}, false},
    };
    ASSERT_EQ(dialog->controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const DialogControl& control = dialog->controls[i];
        const Expected& want = expected[i];
        EXPECT_EQ(control.id, want.id) << i;
        EXPECT_EQ(control.kind, want.kind) << i;
        EXPECT_EQ(control.text, want.text) << i;
        EXPECT_EQ((std::vector{control.rect.x, control.rect.y, control.rect.cx, control.rect.cy}),
                  want.rect)
            << i;
        EXPECT_EQ(control.tabStop, want.tabStop) << i;
    }
    EXPECT_EQ(dialog->controls[0].iconId, IDR_MAINFRAME);
    // The web address is one of this project's own or of the reserved example domain.
    EXPECT_TRUE(std::string(kMakerWebAddress).find("example.org") != std::string::npos);
}

TEST_F(AboutBoxTest, ShowsItsControlsWithABlueLinkAndTheFocusOnOk) {
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Harborlight Scanner"));
    // No minimise box, and nothing for the tray.
    // No minimise box (nor maximise box, which the window manager would add unless told).
    EXPECT_TRUE(box.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(box.TrayData().uFlags & (NIF_ICON | NIF_TIP));
    EXPECT_TRUE(shell.calls.empty());

    QStringList texts;
    for (const QLabel* label : box.Client()->findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            texts << label->text();
        } else {
            EXPECT_EQ(label->pixmap().size(), QSize(32, 32));
            EXPECT_EQ(label->geometry().topLeft(), box.ControlRect(IDC_STATIC).topLeft());
        }
    }
    EXPECT_EQ(texts, (QStringList{"Harborlight Scanner Version 1.1", kMakerName, kMakerWebAddress,
                                  kPublicationLine}));

    ASSERT_NE(box.OkButton(), nullptr);
    EXPECT_TRUE(box.OkButton()->isDefault());
    EXPECT_EQ(box.OkButton()->geometry(), box.ControlRect(IDOK));
    EXPECT_EQ(box.focusWidget(), box.OkButton());

    CStaticLink& link = box.Link();
    EXPECT_EQ(link.geometry(), box.ControlRect(IDC_WEB_LINK));
    EXPECT_EQ(link.m_strTarget, QString::fromUtf8(kMakerWebAddress));
    EXPECT_EQ(link.m_crText, CStaticLink::kUnvisited);
    EXPECT_GT(CountPixels(link, QColor(0, 0, 255)), 20);
    EXPECT_EQ(CountPixels(link, QColor(128, 0, 128)), 0);
}

TEST_F(AboutBoxTest, AMinimiseFromTheWindowManagerNeverGoesToTheTray) {
    box.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_FALSE(box.IsIconInTray());
}

TEST_F(AboutBoxTest, AClickOpensTheAddressAndTurnsTheLinkPurpleEachClickOpensAgain) {
    ClickLink();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QUrl(QString::fromUtf8(kMakerWebAddress)));
    EXPECT_EQ(box.Link().m_crText, CStaticLink::kVisited);
    EXPECT_GT(CountPixels(box.Link(), QColor(128, 0, 128)), 20);
    EXPECT_EQ(CountPixels(box.Link(), QColor(0, 0, 255)), 0);

    ClickLink();
    EXPECT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(box.Link().m_crText, CStaticLink::kVisited);
    EXPECT_EQ(beeps, 0);
    // The right button opens nothing.
    QTest::mouseClick(&box.Link(), Qt::RightButton);
    EXPECT_EQ(shell.opened.size(), 2u);
}

TEST_F(AboutBoxTest, AnAddressThatCannotBeOpenedBeepsAndStaysBlue) {
    shell.openFails = true;
    ClickLink();
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(box.Link().m_crText, CStaticLink::kUnvisited);
    EXPECT_GT(CountPixels(box.Link(), QColor(0, 0, 255)), 20);
    // Once a program for it is there, the next click opens it.
    shell.openFails = false;
    ClickLink();
    EXPECT_EQ(box.Link().m_crText, CStaticLink::kVisited);
    EXPECT_EQ(beeps, 1);
}

TEST_F(AboutBoxTest, EachAboutBoxStartsWithABlueLink) {
    ClickLink();
    ASSERT_EQ(box.Link().m_crText, CStaticLink::kVisited);
    CAboutBox next(shell);
    next.Create();
    EXPECT_EQ(next.Link().m_crText, CStaticLink::kUnvisited);
}

TEST_F(AboutBoxTest, TheKeyboardReachesAndOpensTheLink) {
    box.activateWindow();
    box.OkButton()->setFocus();
    QTest::keyClick(box.OkButton(), Qt::Key_Tab);
    ASSERT_EQ(box.focusWidget(), &box.Link());
    QTest::keyClick(&box.Link(), Qt::Key_Return);
    QTest::keyClick(&box.Link(), Qt::Key_Space);
    EXPECT_EQ(shell.opened.size(), 2u);
    // Enter on the link opens it and leaves the box open.
    EXPECT_FALSE(box.Ended());
}

TEST_F(AboutBoxTest, ScreenReadersSeeALinkThatCanBePressed) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box.Link());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Link);
    EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8(kMakerWebAddress));
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(AboutBoxTest, ThePointerOverTheLinkIsTheSharedHand) {
    EXPECT_FALSE(box.Link().testAttribute(Qt::WA_SetCursor));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&box.Link(), &enter);
    EXPECT_EQ(box.Link().cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(&CStaticLink::HandCursor(), &CStaticLink::HandCursor());
}

struct WayOut {
    const char* name;
    std::function<void(CAboutBox&)> act;
    int result;
};

class AboutBoxWaysOut : public testing::TestWithParam<WayOut> {};

TEST_P(AboutBoxWaysOut, EndTheBox) {
    FakeShell shell;
    CAboutBox box(shell);
    QTimer::singleShot(0, &box, [&box] { GetParam().act(box); });
    // A box that does not end would hang here: a bound ends the loop regardless.
    QTimer::singleShot(10000, &box, [&box] { box.EndDialog(-99); });
    EXPECT_EQ(box.DoModal(), GetParam().result);
    EXPECT_FALSE(box.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    All, AboutBoxWaysOut,
    testing::Values(
        WayOut{"OkButton",
               [](CAboutBox& box) { QTest::mouseClick(box.OkButton(), Qt::LeftButton); }, IDOK},
        WayOut{"EnterOnOk", [](CAboutBox& box) { QTest::keyClick(box.OkButton(), Qt::Key_Return); },
               IDOK},
        WayOut{"Escape", [](CAboutBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, IDCANCEL},
        WayOut{"CloseBox", [](CAboutBox& box) { box.close(); }, IDCANCEL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StaticLink, WithoutTargetItOpensItsOwnTextAndWithNeitherNothing) {
    FakeShell shell;
    int beeps = 0;
    CStaticLink link(shell);
    link.SetBeep([&beeps] { ++beeps; });
    link.resize(200, 20);
    link.show();

    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_EQ(beeps, 0);
    EXPECT_FALSE(link.OpenTarget());

    link.setText(QStringLiteral("https://harborlight.example.org/download/"));
    QTest::mouseClick(&link, Qt::LeftButton);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], QUrl(QStringLiteral("https://harborlight.example.org/download/")));
    EXPECT_EQ(link.m_strTarget, link.text());
    EXPECT_EQ(link.m_crText, CStaticLink::kVisited);
}

TEST(StaticLink, OnlyPlainTextIsDrawnAsALink) {
    FakeShell shell;
    CStaticLink link(shell, QStringLiteral("https://harborlight.example.org/"));
    link.setText(QStringLiteral("Harborlight"));
    link.resize(200, 20);
    EXPECT_GT(CountPixels(link, CStaticLink::kUnvisited), 20);
    // Justified text and pictures keep the label's own drawing.
    link.setAlignment(Qt::AlignJustify);
    EXPECT_EQ(CountPixels(link, CStaticLink::kUnvisited), 0);
    link.setAlignment(Qt::AlignLeft);
    QPixmap picture(16, 16);
    picture.fill(Qt::red);
    link.setPixmap(picture);
    EXPECT_EQ(CountPixels(link, CStaticLink::kUnvisited), 0);
}

TEST(StaticLink, ASelfDeletingLinkGoesWhenItsWindowCloses) {
    FakeShell shell;
    QPointer<CStaticLink> link = new CStaticLink(shell, QStringLiteral("x"), true);
    link->show();
    link->close();
    EXPECT_TRUE(test::PumpUntil([&] { return link.isNull(); }));

    // Without the flag the owner keeps it.
    CStaticLink kept(shell, QStringLiteral("x"), false);
    kept.show();
    kept.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(kept.m_strTarget, QStringLiteral("x"));
}

} // namespace
} // namespace hl
