#include "FakeShell.h"
#include "QtTestSupport.h"
#include "app/AboutBox.h"
#include "app/HelpPages.h"
#include "app/PortsDlg.h"
#include "inventory/TraceSink.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/PosixFiles.h"
#include "resources/ResourceIds.h"
#include "workers/WorkerThread.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hl {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FakeShell;

void WriteFile(const fs::path& path, const std::string& text = "<html></html>") {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(HelpPages, FoundBesideTheProgramOrUnderItsPrefix) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const fs::path root = tmp.path().toStdString();
    const fs::path build = root / "build";
    const fs::path prefix = root / "opt" / "hl";
    WriteFile(build / "harborlight-help" / "index.html");
    WriteFile(prefix / "share" / "harborlight" / "help" / "index.html");
    fs::create_directories(prefix / "bin");
    fs::create_directories(root / "empty" / "bin");
    // A folder of that name without its index page is no help.
    fs::create_directories(root / "noindex" / "harborlight-help");

    EXPECT_EQ(FindHelpIndex(build.string()), (build / "harborlight-help" / "index.html").string());
    EXPECT_EQ(FindHelpIndex((prefix / "bin").string()),
              (prefix / "share" / "harborlight" / "help" / "index.html").string());
    EXPECT_EQ(FindHelpIndex((root / "empty" / "bin").string()), "");
    EXPECT_EQ(FindHelpIndex((root / "noindex").string()), "");
    EXPECT_EQ(FindHelpIndex((root / "missing").string()), "");
    EXPECT_EQ(FindHelpIndex(""), "");
}

// The main window with fake tables, the help looked for in `programDir`.
class HelpCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }
    void TearDown() override {
        m_dlg.reset();
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(10s));
    }
    CPortsDlg& Start(const std::string& programDir) {
        PortsDlgServices services;
        services.shell = &shell;
        services.system = std::make_shared<FakeSystem>();
        services.trace = std::make_shared<CaptureTraceSink>();
        services.files = std::make_shared<PosixFiles>();
        services.programDir = programDir;
        m_dlg = std::make_unique<CPortsDlg>(std::move(services));
        m_dlg->Create();
        return *m_dlg;
    }

    FakeShell shell;

private:
    QTemporaryDir m_config;
    std::unique_ptr<CPortsDlg> m_dlg;
};

TEST_F(HelpCommandsTest, ContentsOpensTheIndexPageOfTheBuildTree) {
    // The program's folder as the program passes it, with its closing '/'.
    CPortsDlg& dlg = Start(HL_APP_DIR "/");
    EXPECT_TRUE(dlg.OnCommand(ID_HELP_CONTENTS));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0],
              QUrl::fromLocalFile(QStringLiteral(HL_APP_DIR "/harborlight-help/index.html")));
    EXPECT_TRUE(fs::is_regular_file(shell.opened[0].toLocalFile().toStdString()));
}

TEST_F(HelpCommandsTest, ContentsOpensTheIndexPageOfAnInstalledTree) {
    QTemporaryDir prefix;
    const fs::path root = prefix.path().toStdString();
    WriteFile(root / "share" / "harborlight" / "help" / "index.html");
    fs::create_directories(root / "bin");
    CPortsDlg& dlg = Start((root / "bin").string());
    dlg.OnCommand(ID_HELP_CONTENTS);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].toLocalFile().toStdString(),
              (root / "share" / "harborlight" / "help" / "index.html").string());
}

TEST_F(HelpCommandsTest, ContentsWithoutHelpPagesAsksNothingAndReturns) {
    QTemporaryDir empty;
    CPortsDlg& dlg = Start(empty.path().toStdString());
    EXPECT_TRUE(dlg.OnCommand(ID_HELP_CONTENTS));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(QApplication::topLevelWidgets().contains(&dlg));
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_TRUE(window == &dlg || !window->isVisible()) << window->windowTitle().toStdString();
    }
}

TEST_F(HelpCommandsTest, AboutRunsOneBoxUntilItEnds) {
    CPortsDlg& dlg = Start(HL_APP_DIR);
    std::vector<CAboutBox*> shown;
    QTimer::singleShot(0, &dlg, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<CAboutBox*>(window); box != nullptr && box->isVisible()) {
                shown.push_back(box);
            }
        }
        // Asked again while it is shown, no second box comes.
        dlg.OnCommand(ID_HELP_ABOUT);
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
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<CAboutBox*>(window), nullptr);
    }
    EXPECT_TRUE(dlg.isVisible());
}

// Every page of the help as the build tree holds it: each link and picture leads to a file
// of the help (and to an anchor of it that exists), and no page runs a script.
TEST(HelpPages, EveryLinkOfTheHelpLeadsToAFileOfIt) {
    const fs::path help = fs::path(HL_APP_DIR) / "harborlight-help";
    ASSERT_TRUE(fs::is_regular_file(help / "index.html"));
    const std::regex reference(R"re((?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    const std::regex anchor(R"re(\sid\s*=\s*"([^"]*)")re", std::regex::icase);
    const std::regex script(R"(<script|javascript:|\son[a-z]+\s*=)", std::regex::icase);
    int pages = 0;
    int links = 0;
    for (const auto& entry : fs::recursive_directory_iterator(help)) {
        if (entry.path().extension() != ".html") {
            continue;
        }
        ++pages;
        const std::string page = ReadFile(entry.path());
        const std::string name = fs::relative(entry.path(), help).string();
        EXPECT_FALSE(std::regex_search(page, script)) << name;
        for (auto it = std::sregex_iterator(page.begin(), page.end(), reference);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            if (target.rfind("https://", 0) == 0 || target.rfind("http://", 0) == 0 ||
                target.rfind("mailto:", 0) == 0) {
                continue; // outside the help; the pages read without them
            }
            ++links;
            const size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path resolved =
                file.empty() ? entry.path() : entry.path().parent_path() / file;
            ASSERT_TRUE(fs::is_regular_file(resolved)) << name << " -> " << target;
            EXPECT_EQ(fs::relative(fs::weakly_canonical(resolved), help).string().rfind("..", 0),
                      std::string::npos)
                << name << " -> " << target << " leaves the help";
            if (hash != std::string::npos && hash + 1 < target.size()) {
                const std::string wanted = target.substr(hash + 1);
                const std::string linked = ReadFile(resolved);
                std::set<std::string> ids;
                for (auto id = std::sregex_iterator(linked.begin(), linked.end(), anchor);
                     id != std::sregex_iterator(); ++id) {
                    ids.insert((*id)[1]);
                }
                EXPECT_TRUE(ids.count(wanted) > 0) << name << " -> " << target;
            }
        }
    }
    EXPECT_GT(pages, 0);
    EXPECT_GT(links, 0);
}

} // namespace
} // namespace hl
