// The saved window placement: written when the window is closed, applied at the next start.

#include "FakeShell.h"
#include "QtTestSupport.h"
#include "app/AppProfile.h"
#include "app/LayoutRecord.h"
#include "app/PortsDlg.h"
#include "app/WindowLayout.h"
#include "inventory/TraceSink.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/PosixFiles.h"
#include "workers/WorkerThread.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::FakeShell;

class PlacementTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        profile = std::make_shared<CAppProfile>(CAppProfile::DefaultPath());
    }
    void TearDown() override {
        m_dlg.reset();
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(10s));
    }

    // Starts the window (ending the one before) with the profile, or without one.
    CPortsDlg& Start(bool withProfile = true) {
        m_dlg.reset();
        PortsDlgServices services;
        services.shell = &shell;
        services.system = std::make_shared<FakeSystem>();
        services.trace = std::make_shared<CaptureTraceSink>();
        services.files = std::make_shared<PosixFiles>();
        if (withProfile) {
            services.profile = profile;
        }
        m_dlg = std::make_unique<CPortsDlg>(std::move(services));
        m_dlg->Create();
        return *m_dlg;
    }

    std::optional<LayoutRecord> Saved() const {
        const auto bytes = profile->GetBinary("Settings", "Layout");
        return bytes ? DecodeLayout(*bytes) : std::nullopt;
    }

    QString ProfilePath() const { return QString::fromStdString(profile->Path()); }

    FakeShell shell;
    std::shared_ptr<CAppProfile> profile; // in the test's config folder

private:
    QTemporaryDir m_config;
    std::unique_ptr<CPortsDlg> m_dlg;
};

TEST_F(PlacementTest, TheProfileLivesInTheConfigFolder) {
    EXPECT_EQ(ProfilePath(), qEnvironmentVariable("XDG_CONFIG_HOME") +
                                 QStringLiteral("/harborlight/harborlight.ini"));
}

TEST_F(PlacementTest, TheCloseBoxSavesWhereTheWindowIsAndTheNextStartOpensThere) {
    const QSize templateSize = Start(/*withProfile=*/false).size();
    // First start without an entry: the template's size.
    EXPECT_EQ(Start().size(), templateSize);
    EXPECT_FALSE(Saved().has_value());

    const QRect moved(120, 90, 500, 380);
    Start().setGeometry(moved);
    QCoreApplication::processEvents();
    Start().close(); // the window just started, unmoved: saved as it is
    CPortsDlg& dlg = Start();
    dlg.setGeometry(moved);
    QCoreApplication::processEvents();
    dlg.close();

    const std::optional<LayoutRecord> saved = Saved();
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->version, 2u);
    EXPECT_EQ(saved->placement.length, kPlacementLength);
    EXPECT_EQ(saved->placement.flags, 0u);
    EXPECT_EQ(saved->placement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(saved->placement.normalPosition, (PlacementRect{120, 90, 620, 470}));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(QSize(saved->screenWidth, saved->screenHeight), screen);

    CPortsDlg& next = Start();
    EXPECT_TRUE(next.isVisible());
    EXPECT_EQ(next.geometry(), moved);
    EXPECT_FALSE(next.isMaximized());
}

TEST_F(PlacementTest, ClosedMaximisedItOpensAtItsLastNormalRectangle) {
    CPortsDlg& dlg = Start();
    const QRect normal(150, 100, 520, 400);
    dlg.setGeometry(normal);
    QCoreApplication::processEvents();
    dlg.showMaximized();
    ASSERT_TRUE(test::PumpUntil([&] { return dlg.isMaximized(); }, 2s));
    dlg.close();

    const std::optional<LayoutRecord> saved = Saved();
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->placement.flags, WPF_RESTORETOMAXIMIZED);
    EXPECT_EQ(saved->placement.showCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(saved->placement.normalPosition, (PlacementRect{150, 100, 670, 500}));

    CPortsDlg& next = Start();
    EXPECT_FALSE(next.isMaximized());
    EXPECT_FALSE(next.isMinimized());
    EXPECT_EQ(next.geometry(), normal);
}

TEST_F(PlacementTest, ExitKeepsThePlacementSavedAtTheLastClose) {
    CPortsDlg& dlg = Start();
    dlg.setGeometry(QRect(60, 70, 480, 360));
    QCoreApplication::processEvents();
    dlg.close();
    const std::optional<LayoutRecord> saved = Saved();
    ASSERT_TRUE(saved.has_value());

    CPortsDlg& moved = Start();
    moved.setGeometry(QRect(200, 150, 400, 300));
    QCoreApplication::processEvents();
    moved.OnCommand(ID_FILE_EXIT);
    EXPECT_TRUE(moved.Ended());
    EXPECT_EQ(Saved(), saved);
    EXPECT_EQ(Start().geometry(), QRect(60, 70, 480, 360));
}

TEST_F(PlacementTest, AnEntryThatCannotBeUsedIsIgnored) {
    const QSize templateSize = Start(/*withProfile=*/false).size();
    LayoutRecord noPlacement;
    noPlacement.placement.length = 0;
    noPlacement.placement.normalPosition = {10, 10, 300, 300};
    LayoutRecord otherLength;
    otherLength.placement.length = 40;
    otherLength.placement.normalPosition = {10, 10, 300, 300};
    LayoutRecord emptyRect;
    emptyRect.placement.normalPosition = {300, 300, 300, 200};
    const std::vector<std::pair<const char*, std::string>> entries = {
        {"empty", ""},
        {"ten bytes", ToLetters(std::vector<uint8_t>(10, 0))},
        {"odd length", ToLetters(EncodeLayout(noPlacement)).substr(1)},
        {"letter outside A..P", "CAAAAAAAZ" + ToLetters(EncodeLayout(noPlacement)).substr(9)},
        {"length 0", ToLetters(EncodeLayout(noPlacement))},
        {"length 40", ToLetters(EncodeLayout(otherLength))},
        {"empty rectangle", ToLetters(EncodeLayout(emptyRect))},
    };
    for (const auto& [name, letters] : entries) {
        ASSERT_TRUE(profile->WriteString("Settings", "Layout", letters)) << name;
        CPortsDlg& dlg = Start();
        EXPECT_TRUE(dlg.isVisible()) << name;
        EXPECT_FALSE(dlg.isMaximized()) << name;
        EXPECT_EQ(dlg.size(), templateSize) << name;
    }
}

TEST_F(PlacementTest, ARectangleOffEveryScreenOpensOnThePrimaryScreen) {
    LayoutRecord unplugged;
    unplugged.placement.normalPosition = {5000, 4000, 5500, 4400};
    ASSERT_TRUE(profile->WriteBinary("Settings", "Layout", EncodeLayout(unplugged)));
    CPortsDlg& dlg = Start();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(dlg.size(), QSize(500, 400));
    EXPECT_TRUE(available.contains(dlg.geometry()))
        << dlg.geometry().x() << "," << dlg.geometry().y();
}

TEST(WindowLayout, KeepOnScreensMovesOnlyWhatNoScreenShows) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QRect primary(0, 0, 1920, 1040);
    struct Case {
        const char* name;
        QRect rect;
        QRect placed;
    };
    const std::vector<Case> cases = {
        {"OnPrimary", {100, 100, 640, 480}, {100, 100, 640, 480}},
        {"OnSecond", {2000, 100, 640, 480}, {2000, 100, 640, 480}},
        {"PartlyOff", {1800, -100, 640, 480}, {1800, -100, 640, 480}},
        {"RightOfAll", {3300, 100, 640, 480}, {640, 280, 640, 480}},
        {"AboveAll", {100, -2000, 640, 480}, {640, 280, 640, 480}},
        {"LargerThanThePrimary", {-5000, 0, 3000, 2000}, {0, 0, 1920, 1040}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KeepOnScreens(c.rect, screens, primary), c.placed) << c.name;
    }
}

TEST_F(PlacementTest, SavingKeepsTheProfilesOtherSectionsAndEntries) {
    QDir().mkpath(QFileInfo(ProfilePath()).path());
    QFile file(ProfilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\nName=value\n\n[Settings]\nColour=blue\nLayout=CAAA\n");
    file.close();

    Start().close();
    EXPECT_EQ(profile->GetString("Other", "Name"), "value");
    EXPECT_EQ(profile->GetString("Settings", "Colour"), "blue");
    EXPECT_TRUE(Saved().has_value());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[Other]\nName=value\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nLayout=CAAAAAAA"))) << text.toStdString();
}

} // namespace
} // namespace hl
