// The settings store against hostile or unusual folders: another user's home seen by root,
// links and lock files of other users, FIFOs at the file's name, read-only folders, piles of
// damaged copies.

#include "TempFolder.h"
#include "settings/ProgramSettings.h"
#include "settings/store/RegFileFormat.h"
#include "settings/store/RegFileStore.h"

#include <array>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <grp.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hl {
namespace {

using namespace std::chrono_literals;
using test::Exists;
using test::ReadText;
using test::TempFolder;
using test::WriteText;

constexpr uid_t kOtherUser = 65534; // "nobody"
constexpr const char* kNeedsRoot =
    "files of another user can only be made by root; run the tests as root";

const std::array<uint8_t, 4> kOne = {1, 0, 0, 0};
const std::array<uint8_t, 4> kTwo = {2, 0, 0, 0};

bool Store(RegFileStore& store, const std::string& name, std::span<const uint8_t> value) {
    RegKeyHandle key;
    return store.CreateKey(kHkeyCurrentUser, "K", kKeyAllAccess, key) == kErrorSuccess &&
           store.SetValue(key, name, kRegBinary, value) == kErrorSuccess;
}

std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        paths.insert(entry.path().string());
    }
    return paths;
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFu;
}

void Chown(const std::string& path, uid_t uid) {
    ASSERT_EQ(::lchown(path.c_str(), uid, uid), 0) << path;
}

// Run as root with a user's HOME or XDG_CONFIG_HOME, as sudo may leave them.
TEST(StoreHardening, RootWithAnotherUsersHomeWritesNothingThere) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    TempFolder temp;
    const std::string user = temp / "user", bare = temp / "bare", own = temp / "root";
    for (const std::string& dir : {user, user + "/.config", bare, own}) {
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
    }
    for (const std::string& dir : {user, user + "/.config", bare}) {
        Chown(dir, kOtherUser);
    }
    const std::string userConfig = user + "/.config";
    const struct {
        const char* name;
        const char* xdgConfigHome;
        std::string home;
    } cases[] = {
        {"home", nullptr, user},
        {"xdgConfigHome", userConfig.c_str(), user},
        {"homeWithoutConfigFolder", nullptr, bare},
    };
    const std::set<std::string> userTree = Tree(user), bareTree = Tree(bare);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = RegFileStore::DefaultFolderFor(c.xdgConfigHome, c.home, own);
        EXPECT_EQ(folder, own + "/.config/harborlight");
        RegFileStore store(folder);
        EXPECT_TRUE(Store(store, "V", kOne));
        EXPECT_TRUE(Exists(own + "/.config/harborlight/settings.reg"));
    }
    EXPECT_EQ(Tree(user), userTree);
    EXPECT_EQ(Tree(bare), bareTree);
    // Root's own folders are used as they are.
    EXPECT_EQ(RegFileStore::DefaultFolderFor(nullptr, own, own), own + "/.config/harborlight");
}

TEST(StoreHardening, AFolderLinkIsFollowedOnlyWhenItAndItsFolderAreTheUsersOwn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    TempFolder temp;
    const std::string target = temp / "target", userTarget = temp / "userTarget";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(userTarget.c_str(), 0755), 0);
    Chown(userTarget, kOtherUser);
    const struct {
        const char* name;
        std::string to;
        uid_t linkOwner;
        bool followed;
    } cases[] = {
        {"plantedByAnotherUser", target, kOtherUser, false},
        {"intoAnotherUsersFolder", userTarget, 0, false},
        {"ownLinkToOwnFolder", target, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string link = temp / c.name;
        ASSERT_EQ(::symlink(c.to.c_str(), link.c_str()), 0);
        Chown(link, c.linkOwner);
        RegFileStore store(link);
        EXPECT_EQ(Store(store, "V", kOne), c.followed);
        EXPECT_EQ(Exists(c.to + "/settings.reg"), c.followed);
        EXPECT_EQ(Exists(c.to + "/settings.reg.lock"), c.followed);
    }
}

TEST(StoreHardening, ANewFileKeepsOnlyTheReadAndWriteBitsOfTheOldOne) {
    TempFolder temp;
    RegFileStore store(temp / "harborlight");
    ASSERT_TRUE(Store(store, "V", kOne));
    EXPECT_EQ(ModeOf(store.FilePath()), 0600u);
    const struct {
        unsigned before;
        unsigned after;
    } cases[] = {{06777, 0666}, {0755, 0644}, {01640, 0640}};
    uint8_t value = 2;
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(store.FilePath().c_str(), c.before), 0);
        ASSERT_TRUE(Store(store, "V", std::array<uint8_t, 4>{value++, 0, 0, 0}));
        EXPECT_EQ(ModeOf(store.FilePath()), c.after) << std::oct << c.before;
    }
}

// A FIFO at the file's name (or a link to one) would block every open until a writer came.
TEST(StoreHardening, AFifoAtTheSettingsPathGivesDefaultsAtOnceAndIsLeftAlone) {
    for (const bool viaLink : {false, true}) {
        SCOPED_TRACE(viaLink ? "link to a FIFO" : "FIFO");
        TempFolder temp;
        const std::string folder = temp / "harborlight";
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        RegFileStore store(folder);
        const std::string fifo = viaLink ? temp / "fifo" : store.FilePath();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        if (viaLink) {
            ASSERT_EQ(::symlink(fifo.c_str(), store.FilePath().c_str()), 0);
        }
        // Should the store wait on the FIFO after all, a writer ends the wait so that the test
        // fails instead of hanging.
        std::atomic<bool> done = false;
        std::thread rescue([&] {
            for (int i = 0; i < 100 && !done; ++i) {
                std::this_thread::sleep_for(50ms);
            }
            if (!done) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                }
            }
        });
        const auto start = std::chrono::steady_clock::now();
        CRegistryKey key(std::make_shared<RegFileStore>(folder));
        ProgramSettings settings;
        settings.m_nSpeedSlider = 77;
        const bool loaded = LoadSettings(key, settings);
        const bool stored = StoreSetting(key, Setting::AutoRefresh, 1);
        const auto took = std::chrono::steady_clock::now() - start;
        done = true;
        rescue.join();
        EXPECT_LT(took, 1s);
        EXPECT_FALSE(loaded); // the key cannot be created: the caller keeps its values
        EXPECT_EQ(settings.m_nSpeedSlider, 77u);
        EXPECT_FALSE(stored);
        struct stat info {};
        ASSERT_EQ(::stat(store.FilePath().c_str(), &info), 0);
        EXPECT_TRUE(S_ISFIFO(info.st_mode));
        EXPECT_FALSE(Exists(store.FilePath() + ".damaged"));
    }
}

// Runs `body` in a child process with the user id of "nobody"; its result, -1 when the child
// failed.
int AsOtherUser(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int code = ::setgroups(0, nullptr) == 0 &&
                                 ::setresgid(kOtherUser, kOtherUser, kOtherUser) == 0 &&
                                 ::setresuid(kOtherUser, kOtherUser, kOtherUser) == 0
                             ? body()
                             : 255;
        ::_exit(code);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// Reading needs no write access: the stored values are used, and writes fail quietly.
TEST(StoreHardening, AReadOnlyFolderOrAForeignLockFileStillGivesTheStoredValues) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot << " (the reader runs as another user)";
    }
    const std::string stored = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Harborlight\\"
                               "Settings]\n\"SpeedSlider\"=hex:64,00,00,00\n"
                               "\"AutoRefresh\"=hex:01,00,00,00\n\n";
    for (const bool foreignLock : {false, true}) {
        SCOPED_TRACE(foreignLock ? "lock file of another user" : "read-only folder");
        TempFolder temp;
        ASSERT_EQ(::chmod(temp.Path().c_str(), 0755), 0);
        const std::string folder = temp / "harborlight";
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        WriteText(folder + "/settings.reg", stored);
        ASSERT_EQ(::chmod((folder + "/settings.reg").c_str(), 0644), 0);
        if (foreignLock) {
            // The reader owns the folder, but root's lock file is closed to it.
            Chown(folder, kOtherUser);
            WriteText(folder + "/settings.reg.lock", "");
            ASSERT_EQ(::chmod((folder + "/settings.reg.lock").c_str(), 0600), 0);
        }
        const int result = AsOtherUser([&] {
            CRegistryKey key(std::make_shared<RegFileStore>(folder));
            ProgramSettings settings;
            if (!LoadSettings(key, settings)) {
                return 1;
            }
            if (settings.m_nSpeedSlider != 100 || settings.m_nAutoRefresh != 1 ||
                settings.m_nShowTCP != 1 || settings.m_nShowUDP != 1) {
                return 2;
            }
            return StoreSetting(key, Setting::AutoRefresh, 0) ? 3 : 0;
        });
        EXPECT_EQ(result, 0) << "1: not loaded, 2: wrong values, 3: a write succeeded";
        EXPECT_EQ(ReadText(folder + "/settings.reg"), stored);
    }
}

TEST(StoreHardening, PilesOfDamagedCopiesNeverStopAWrite) {
    const std::string base = test::MemoryFolder();
    TempFolder temp(base);
    const std::string folder = temp / "harborlight";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    RegFileStore store(folder);
    WriteText(store.FilePath() + ".damaged", "copy 1");
    for (int i = 2; i <= 1001; ++i) {
        WriteText(store.FilePath() + "." + std::to_string(i) + ".damaged",
                  "copy " + std::to_string(i));
    }
    auto copies = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".damaged")) {
                names.insert(name);
            }
        }
        return names;
    };
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string damaged = "not a registry file " + std::to_string(round);
        WriteText(store.FilePath(), damaged);
        EXPECT_TRUE(Store(store, "V", kOne));
        RegDocument document;
        EXPECT_TRUE(ParseRegFile(ReadText(store.FilePath()), document));
        const std::string newest = "settings.reg." + std::to_string(1002 + round) + ".damaged";
        EXPECT_EQ(ReadText(folder + "/" + newest), damaged);
        const auto names = copies();
        EXPECT_EQ(names.size(), 10u);
        EXPECT_EQ(names.count("settings.reg." + std::to_string(993 + round) + ".damaged"), 1u);
        EXPECT_EQ(names.count("settings.reg." + std::to_string(992 + round) + ".damaged"), 0u);
    }
}

TEST(StoreHardening, WritingTheSameValueAgainKeepsTheFileByteForByte) {
    TempFolder temp;
    const std::string folder = temp / "harborlight";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    RegFileStore store(folder);
    // A file as another program or an editor may leave it.
    WriteText(store.FilePath(),
              "REGEDIT4\r\n\r\n\r\n; kept\r\n[HKEY_CURRENT_USER\\K]\r\n"
              "\"V\"=dword:00000001\r\n\"W\"=hex:01,\\\r\n  00,00,00\r\n\r\n\r\n");
    ASSERT_TRUE(Store(store, "V", kOne));
    const std::string first = ReadText(store.FilePath());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Store(store, "V", kOne));
        ASSERT_TRUE(Store(store, "W", kOne));
        EXPECT_EQ(ReadText(store.FilePath()), first) << "write " << i;
    }
    ASSERT_TRUE(Store(store, "V", kTwo));
    ASSERT_TRUE(Store(store, "V", kOne));
    EXPECT_EQ(ReadText(store.FilePath()), first);
}

// Reads parse an unchanged text once; any change, even one that keeps the file's size and
// is made in place within the same clock tick, is seen by the next read.
TEST(StoreHardening, ReadsSeeEveryChangeOfTheText) {
    TempFolder temp;
    const std::string folder = temp / "harborlight";
    RegFileStore writer(folder), reader(folder);
    ASSERT_TRUE(Store(writer, "V", kOne));
    auto read = [&]() -> int {
        RegKeyHandle key;
        std::array<uint8_t, 4> bytes{};
        uint32_t type = 0, size = 0;
        if (reader.OpenKey(kHkeyCurrentUser, "K", kKeyRead, key) != kErrorSuccess ||
            reader.QueryValue(key, "V", type, bytes, size) != kErrorSuccess) {
            return -1;
        }
        return bytes[0];
    };
    EXPECT_EQ(read(), 1);
    EXPECT_EQ(read(), 1);
    ASSERT_TRUE(Store(writer, "V", kTwo));
    EXPECT_EQ(read(), 2);
    std::string text = ReadText(writer.FilePath());
    const size_t at = text.find("hex:02");
    ASSERT_NE(at, std::string::npos);
    {
        std::fstream file(writer.FilePath(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(at + 5));
        file.put('7');
    }
    EXPECT_EQ(read(), 7);
    WriteText(writer.FilePath(), "damaged");
    EXPECT_EQ(read(), -1);
}

} // namespace
} // namespace hl
