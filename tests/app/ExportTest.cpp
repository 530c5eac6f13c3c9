#include "FakeShell.h"
#include "QtTestSupport.h"
#include "app/ListExport.h"
#include "app/OpenRoute.h"
#include "app/PortsDlg.h"
#include "inventory/MemoryList.h"
#include "inventory/TraceSink.h"
#include "platform/fake/FailingFiles.h"
#include "platform/fake/FakeSystem.h"
#include "platform/linux/PosixFiles.h"
#include "platform/linux/UserFolders.h"
#include "resources/ResourceIds.h"
#include "settings/store/fake/FakeRegistry.h"
#include "workers/WorkerThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::FakeShell;
using test::PumpUntil;

constexpr const char* kHeader = "Protocol,PID,Process Name,Local Address,Local Port,Remote "
                                "Address,Remote Port,Connection State\r\n";

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The fields of one CSV line (without its line end), quotes undone.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back().push_back('"');
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    return fields;
}

// A folder in which no file can be created: a read-only one, or, for root, whom no
// permission bit stops, /proc.
std::string UnwritableFolder(const QTemporaryDir& dir) {
    if (::geteuid() == 0) {
        return "/proc/";
    }
    ::chmod(dir.path().toLocal8Bit().constData(), 0555);
    return dir.path().toStdString() + "/";
}

// The main window on empty fake tables, its export going to folders of the test's own.
class ExportTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_exeDir.isValid() && m_dataHome.isValid()); }
    void TearDown() override {
        m_dlg.reset();
        EXPECT_TRUE(CWorkerThread::WaitUntilNoneLive(10s));
    }

    std::string ExeFolder() const { return m_exeDir.path().toStdString() + "/"; }
    std::string DataHome() const { return m_dataHome.path().toStdString(); }
    std::string ExePath() const { return ExeFolder() + "harborlight.csv"; }
    std::string DataPath() const { return DataHome() + "/harborlight/harborlight.csv"; }

    CPortsDlg& Start(const std::string& exeFolder, const std::string& dataHome) {
        PortsDlgServices services;
        services.shell = &shell;
        services.system = std::make_shared<FakeSystem>();
        services.trace = std::make_shared<CaptureTraceSink>();
        services.files = files;
        services.registry = std::make_shared<FakeRegistry>();
        services.exportLocation =
            ExportLocation(exeFolder, ExportLocation::DataFolderFor(dataHome.c_str(), nullptr));
        m_dlg = std::make_unique<CPortsDlg>(std::move(services));
        m_dlg->Create();
        // The first refresh (of empty tables) is over before the test fills the list.
        EXPECT_TRUE(PumpUntil([] { return CWorkerThread::LiveCount() == 0; }));
        return *m_dlg;
    }
    CPortsDlg& Start() { return Start(ExeFolder(), DataHome()); }

    // Fills the list so that rows[0] is the top row.
    static void Fill(CPortListCtrl& list, const std::vector<RowTexts>& rows) {
        list.DeleteAllItems();
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            list.InsertFilledItem(*row, (*row)[0] == "UDP" ? 1 : 0);
        }
    }

    static void Export(CPortsDlg& dlg) { EXPECT_TRUE(dlg.OnCommand(ID_FILE_EXPORT)); }

    std::vector<std::string> OpenedPaths() const {
        std::vector<std::string> paths;
        for (const QUrl& url : shell.opened) {
            paths.push_back(url.isLocalFile() ? url.toLocalFile().toStdString()
                                              : "not a file: " + url.toString().toStdString());
        }
        return paths;
    }

    FakeShell shell;
    std::shared_ptr<FailingFiles> files = std::make_shared<FailingFiles>();
    QTemporaryDir m_exeDir;
    QTemporaryDir m_dataHome;

private:
    std::unique_ptr<CPortsDlg> m_dlg;
};

const RowTexts kListener = {"TCP", "1234", "sshd", "0.0.0.0", "22", "0.0.0.0", "0", "LISTEN"};
const RowTexts kCommaName = {"TCP",  "4321",      "a,b",   "127.0.0.1",
                             "8080", "127.0.0.1", "51000", "ESTABLISHED"};
const RowTexts kQuoteName = {"TCP", "77",      "say \"hi\"", "127.0.0.1",
                             "631", "0.0.0.0", "0",          "LISTEN"};
const RowTexts kBasicTcp = {"TCP", "", "", "10.1.2.3", "", "", "", ""};
const RowTexts kUdp = {"UDP", "555", "avahi-daemon", "0.0.0.0", "5353", "", "", ""};

TEST_F(ExportTest, WritesEachRowAsOneLine) {
    struct Case {
        const char* name;
        std::vector<RowTexts> rows;
        std::string lines; // after the header
    };
    const std::vector<Case> cases = {
        {"empty list: the header only", {}, ""},
        {"UDP row ends in three commas", {kUdp}, "UDP,555,avahi-daemon,0.0.0.0,5353,,,\r\n"},
        {"basic TCP row", {kBasicTcp}, "TCP,,,10.1.2.3,,,,\r\n"},
        {"comma in a name is quoted",
         {kCommaName},
         "TCP,4321,\"a,b\",127.0.0.1,8080,127.0.0.1,51000,ESTABLISHED\r\n"},
        {"quote in a name is doubled",
         {kQuoteName},
         "TCP,77,\"say \"\"hi\"\"\",127.0.0.1,631,0.0.0.0,0,LISTEN\r\n"},
    };
    CPortsDlg& dlg = Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fill(dlg.List(), c.rows);
        Export(dlg);
        const std::string file = Read(ExePath());
        EXPECT_EQ(file, kHeader + c.lines);
        // However its cells read, every row is eight fields.
        for (size_t start = file.find("\r\n") + 2; start < file.size();) {
            const size_t end = file.find("\r\n", start);
            EXPECT_EQ(Fields(file.substr(start, end - start)).size(), 8u);
            start = end + 2;
        }
    }
    EXPECT_TRUE(dlg.MessageBoxes().OpenBoxes().empty());
}

TEST_F(ExportTest, MatchesTheGoldenFileByteForByte) {
    CPortsDlg& dlg = Start();
    Fill(dlg.List(), {kListener, kCommaName, kQuoteName, kBasicTcp, kUdp});
    Export(dlg);
    const std::string golden = Read(HL_FIXTURES_DIR "/export/list.csv");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Read(ExePath()), golden);
    EXPECT_NE(golden.substr(0, 3), "\xEF\xBB\xBF"); // no byte-order mark
}

TEST_F(ExportTest, FollowsTheSortedOrderAndColumnIndexesNotTheHeadersOrder) {
    CPortsDlg& dlg = Start();
    CPortListCtrl& list = dlg.List();
    Fill(list, {kListener, kBasicTcp, kUdp});
    list.FlushUpdates();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    // A click on "Process Name" sorts the rows by it: "", "avahi-daemon", "sshd".
    QHeaderView* header = list.horizontalHeader();
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(kColProcessName) + 5, header->height() / 2));
    ASSERT_EQ(list.GetItemText(1, kColProcessName), "avahi-daemon");
    // PID dragged to the far left, Protocol to the right end.
    header->moveSection(header->visualIndex(kColPid), 0);
    header->moveSection(header->visualIndex(kColProtocol), 7);
    ASSERT_EQ(header->logicalIndex(0), kColPid);
    Export(dlg);
    EXPECT_EQ(Read(ExePath()), std::string(kHeader) +
                                   "TCP,,,10.1.2.3,,,,\r\n"
                                   "UDP,555,avahi-daemon,0.0.0.0,5353,,,\r\n"
                                   "TCP,1234,sshd,0.0.0.0,22,0.0.0.0,0,LISTEN\r\n");
}

TEST_F(ExportTest, ASecondExportReplacesTheFirstAndEachOpensTheViewerOnce) {
    CPortsDlg& dlg = Start();
    Fill(dlg.List(), {kListener, kCommaName, kQuoteName, kUdp});
    Export(dlg);
    EXPECT_EQ(OpenedPaths(), std::vector<std::string>{ExePath()});

    Fill(dlg.List(), {kBasicTcp});
    Export(dlg);
    EXPECT_EQ(Read(ExePath()), std::string(kHeader) + "TCP,,,10.1.2.3,,,,\r\n");
    EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{ExePath(), ExePath()}));
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ExeFolder()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ExportTest, AnExportPathThatIsASymlinkGetsAFileOfItsOwn) {
    QTemporaryDir elsewhere;
    const std::string target = elsewhere.path().toStdString() + "/precious";
    std::ofstream(target) << "keep";
    ASSERT_EQ(::symlink(target.c_str(), ExePath().c_str()), 0);
    CPortsDlg& dlg = Start();
    Fill(dlg.List(), {kUdp});
    Export(dlg);
    EXPECT_EQ(Read(target), "keep");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(ExePath())));
    EXPECT_EQ(Read(ExePath()), std::string(kHeader) + "UDP,555,avahi-daemon,0.0.0.0,5353,,,\r\n");
}

TEST_F(ExportTest, AnUnwritableExecutableFolderSendsTheFileToTheDataFolder) {
    const std::string unwritable = UnwritableFolder(m_exeDir);
    ASSERT_FALSE(Exists(DataHome() + "/harborlight"));
    CPortsDlg& dlg = Start(unwritable, DataHome());
    Fill(dlg.List(), {kUdp});
    Export(dlg);
    EXPECT_FALSE(Exists(unwritable + "harborlight.csv"));
    EXPECT_EQ(Read(DataPath()), std::string(kHeader) + "UDP,555,avahi-daemon,0.0.0.0,5353,,,\r\n");
    EXPECT_EQ(OpenedPaths(), std::vector<std::string>{DataPath()});
    EXPECT_TRUE(dlg.MessageBoxes().OpenBoxes().empty());
}

TEST_F(ExportTest, WhenNothingCanBeWrittenTheBoxSaysSoAndTheViewerIsStillAsked) {
    const std::string unwritable = UnwritableFolder(m_exeDir);
    const std::string dataHome = unwritable + "data";
    CPortsDlg& dlg = Start(unwritable, dataHome);
    Fill(dlg.List(), {kUdp});
    Export(dlg);

    ASSERT_EQ(dlg.MessageBoxes().OpenBoxes().size(), 1u);
    const QMessageBox* box = dlg.MessageBoxes().OpenBoxes().front();
    EXPECT_EQ(box->text(), QStringLiteral("Could not export harborlight list file"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    // The application's name: the executable's file name.
    EXPECT_EQ(box->windowTitle(), QCoreApplication::applicationName());
    EXPECT_FALSE(box->windowTitle().isEmpty());

    EXPECT_FALSE(Exists(unwritable + "harborlight.csv"));
    EXPECT_FALSE(Exists(dataHome));
    EXPECT_EQ(OpenedPaths(), std::vector<std::string>{dataHome + "/harborlight/harborlight.csv"});
}

TEST_F(ExportTest, AFailureWhileWritingKeepsThePreviousFile) {
    CPortsDlg& dlg = Start();
    Fill(dlg.List(), {kListener});
    Export(dlg);
    const std::string previous = Read(ExePath());
    ASSERT_EQ(previous, std::string(kHeader) + "TCP,1234,sshd,0.0.0.0,22,0.0.0.0,0,LISTEN\r\n");

    std::vector<RowTexts> many(2000, kCommaName);
    Fill(dlg.List(), many);
    for (const auto step : {FailingFiles::Step::Write, FailingFiles::Step::Close}) {
        SCOPED_TRACE(static_cast<int>(step));
        files->failAt = step;
        Export(dlg);
        EXPECT_EQ(Read(ExePath()), previous);
        // It stays where it failed: the data folder is not tried.
        EXPECT_FALSE(Exists(DataHome() + "/harborlight"));
    }
    ASSERT_EQ(dlg.MessageBoxes().OpenBoxes().size(), 2u);
    EXPECT_EQ(dlg.MessageBoxes().OpenBoxes().back()->text(),
              QStringLiteral("Could not export harborlight list file"));
    EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{ExePath(), ExePath(), ExePath()}));
}

constexpr uid_t kOtherUser = 65534; // "nobody"
constexpr const char* kNeedsRoot =
    "files of another user can only be made by root; run the tests as root";

TEST_F(ExportTest, ADataFolderLinkOfAnotherUserIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    QTemporaryDir elsewhere;
    const std::string link = DataHome() + "/harborlight";
    ASSERT_EQ(::symlink(elsewhere.path().toLocal8Bit().constData(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), kOtherUser, kOtherUser), 0);
    CPortsDlg& dlg = Start(UnwritableFolder(m_exeDir), DataHome());
    Fill(dlg.List(), {kUdp});
    Export(dlg);
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    ASSERT_EQ(dlg.MessageBoxes().OpenBoxes().size(), 1u);
    EXPECT_EQ(dlg.MessageBoxes().OpenBoxes().front()->text(),
              QStringLiteral("Could not export harborlight list file"));

    // The same link of root's own is followed.
    ASSERT_EQ(::lchown(link.c_str(), 0, 0), 0);
    Export(dlg);
    EXPECT_EQ(Read(elsewhere.path().toStdString() + "/harborlight.csv"),
              std::string(kHeader) + "UDP,555,avahi-daemon,0.0.0.0,5353,,,\r\n");
}

TEST(ExportLocation, AnExecutableFolderNotToBeWrittenIsSkipped) {
    QTemporaryDir exeDir, dataHome;
    const std::string exeFolder = exeDir.path().toStdString() + "/";
    MemoryList list;
    list.InsertFilledItem(kUdp, 1);
    PosixFiles files;
    const ExportResult result =
        ListExport(files, ExportLocation(exeFolder,
                                         ExportLocation::DataFolderFor(
                                             dataHome.path().toLocal8Bit().constData(), nullptr),
                                         false))
            .Write(list);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.path, dataHome.path().toStdString() + "/harborlight/harborlight.csv");
    EXPECT_FALSE(Exists(exeFolder + "harborlight.csv"));
}

// Run as root with a user's HOME and XDG_DATA_HOME (as sudo may leave them), the export goes
// to root's own data folder.
TEST(ExportLocation, RootKeepsOutOfAnotherUsersDataFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    QTemporaryDir userHome;
    const QByteArray home = userHome.path().toLocal8Bit();
    ASSERT_EQ(::chown(home.constData(), kOtherUser, kOtherUser), 0);
    const QByteArray savedHome = qgetenv("HOME");
    for (const bool withXdg : {false, true}) {
        SCOPED_TRACE(withXdg ? "XDG_DATA_HOME" : "HOME");
        qputenv("HOME", home);
        if (withXdg) {
            qputenv("XDG_DATA_HOME", home + "/.local/share");
        }
        const ExportLocation location = ExportLocation::ForThisProcess();
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", savedHome);
        EXPECT_EQ(location.DataFolder(), OwnHomeFolder() + "/.local/share/harborlight/");
        EXPECT_TRUE(location.ExportToExecutableFolder()); // the test's build folder is root's
    }
    EXPECT_TRUE(QDir(userHome.path()).isEmpty());
}

TEST(ExportLocation, FoldersOfTheExecutableAndTheData) {
    EXPECT_EQ(ExportLocation::FolderOf("/usr/bin/harborlight"), "/usr/bin/");
    EXPECT_EQ(ExportLocation::FolderOf("/harborlight"), "/");
    EXPECT_EQ(ExportLocation::FolderOf("/opt/a b/hl (deleted)"), "/opt/a b/");
    EXPECT_EQ(ExportLocation::FolderOf("harborlight"), "");

    struct Case {
        const char* xdgDataHome;
        const char* home;
        const char* folder;
    };
    const Case cases[] = {
        {"/x/data", "/home/u", "/x/data/harborlight/"},
        {"/x/data/", "/home/u", "/x/data/harborlight/"},
        {nullptr, "/home/u", "/home/u/.local/share/harborlight/"},
        {"", "/home/u", "/home/u/.local/share/harborlight/"},
        // A relative XDG_DATA_HOME is ignored.
        {"data", "/home/u", "/home/u/.local/share/harborlight/"},
        {"/", "/home/u", "/harborlight/"},
        {nullptr, nullptr, ""},
        {nullptr, "relative", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportLocation::DataFolderFor(c.xdgDataHome, c.home), c.folder)
            << (c.xdgDataHome ? c.xdgDataHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }

    qputenv("XDG_DATA_HOME", "/somewhere/data");
    const ExportLocation here = ExportLocation::ForThisProcess();
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(here.ExecutableFolder(),
              std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/");
    EXPECT_EQ(here.DataFolder(), "/somewhere/data/harborlight/");
}

TEST(OpenRoute, NeverStartsTheViewerAsRoot) {
    const OpenRoute::UidOfUser users = [](const std::string& name) -> std::optional<unsigned> {
        if (name == "alice") {
            return 1000;
        }
        if (name == "root" || name == "toor") {
            return 0;
        }
        return std::nullopt;
    };
    struct Case {
        const char* name;
        unsigned euid;
        const char* sudoUser;
        OpenRoute::Kind kind;
        std::string user;
    };
    const Case cases[] = {
        {"normal user", 1000, nullptr, OpenRoute::Kind::Direct, ""},
        {"normal user, stray SUDO_USER", 1000, "alice", OpenRoute::Kind::Direct, ""},
        {"root through sudo", 0, "alice", OpenRoute::Kind::AsUser, "alice"},
        {"root, no sudo", 0, nullptr, OpenRoute::Kind::Skip, ""},
        {"root, empty SUDO_USER", 0, "", OpenRoute::Kind::Skip, ""},
        {"root through sudo from root", 0, "root", OpenRoute::Kind::Skip, ""},
        {"root, SUDO_USER with uid 0", 0, "toor", OpenRoute::Kind::Skip, ""},
        {"root, unknown SUDO_USER", 0, "mallory", OpenRoute::Kind::Skip, ""},
    };
    for (const Case& c : cases) {
        const OpenRoute route = OpenRoute::Choose(c.euid, c.sudoUser, users);
        EXPECT_EQ(route.kind, c.kind) << c.name;
        EXPECT_EQ(route.user, c.user) << c.name;
    }
}

} // namespace
} // namespace hl
