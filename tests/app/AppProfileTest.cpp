// The layout profile file: its INI text, and how it is written against unusual or hostile
// folders (another user's home seen by root, links of other users, odd modes, FIFOs).

#include "app/AppProfile.h"

#include "app/IniText.h"
#include "platform/linux/UserFolders.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hl {
namespace {

constexpr uid_t kOtherUser = 65534; // "nobody"
constexpr const char* kNeedsRoot =
    "files of another user can only be made by root; run the tests as root";

TEST(IniText, ReadsEachValueAsTheQtSettingsClassesWroteIt) {
    const std::string file = "; comment\n"
                             "[Settings]\n"
                             "Layout=CAAAAAAA\n"
                             "Padded =  two words  \n"
                             "Quoted=\"  a, b; c  \"\n"
                             "Escapes=\"x\\ty\\\\z\\\"\\x41\"\n"
                             "Comment=value ; note\n"
                             "List=a, b\n"
                             "Typed=@ByteArray(abc)\n"
                             "At=@@home\n"
                             "Empty=\n"
                             "Twice=old\n"
                             "Twice=new\n"
                             "# Hidden=no\n"
                             "[Other]\r\n"
                             "Name=crlf\r\n";
    const struct {
        const char* section;
        const char* entry;
        std::optional<std::string> value;
    } cases[] = {
        {"Settings", "Layout", "CAAAAAAA"},
        {"Settings", "Padded", "two words"},
        {"Settings", "Quoted", "  a, b; c  "},
        {"Settings", "Escapes", "x\ty\\z\"A"},
        {"Settings", "Comment", "value"},
        {"Settings", "List", std::nullopt},
        {"Settings", "Typed", std::nullopt},
        {"Settings", "At", "@home"},
        {"Settings", "Empty", ""},
        {"Settings", "Twice", "new"},
        {"Settings", "Hidden", std::nullopt},
        {"Settings", "layout", std::nullopt},
        {"Settings", "Name", std::nullopt},
        {"Other", "Name", "crlf"},
        {"Missing", "Layout", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniText::Get(file, c.section, c.entry), c.value) << c.section << "/" << c.entry;
    }
}

TEST(IniText, SettingAnEntryChangesOnlyItsLine) {
    const struct {
        const char* name;
        std::string before;
        const char* section;
        std::string after;
    } cases[] = {
        {"replaced", "; keep\n[Settings]\nLayout=OLD ; why\nColour=blue\n", "Settings",
         "; keep\n[Settings]\nLayout=NEW\nColour=blue\n"},
        {"addedToItsSection", "[Settings]\nColour=blue\n\n[Other]\nName=v\n", "Settings",
         "[Settings]\nColour=blue\nLayout=NEW\n\n[Other]\nName=v\n"},
        {"sectionWithoutEntries", "[Settings]\n[Other]\nName=v", "Settings",
         "[Settings]\nLayout=NEW\n[Other]\nName=v"},
        {"lastLineWithoutEnd", "[Settings]\nColour=blue", "Settings",
         "[Settings]\nColour=blue\nLayout=NEW\n"},
        {"newSection", "[Other]\r\nName=v\r\n", "Settings",
         "[Other]\r\nName=v\r\n\r\n[Settings]\r\nLayout=NEW\r\n"},
        {"emptyFile", "", "Settings", "[Settings]\nLayout=NEW\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniText::Set(c.before, c.section, "Layout", "NEW"), c.after) << c.name;
    }
}

TEST(IniText, EveryValueReadsBackAsItWasSet) {
    const std::string values[] = {"",
                                  "plain",
                                  " padded ",
                                  "a,b",
                                  "a;b",
                                  "a=b",
                                  "\"quoted\"",
                                  "back\\slash",
                                  "line\nbreak\r\ttab",
                                  std::string("nul\0x", 5),
                                  "@ByteArray(x)",
                                  "@@",
                                  "\x7f\x01",
                                  "ümlaut"};
    for (const std::string& value : values) {
        const std::string text = IniText::Set("[Other]\nName=v\n", "Settings", "Layout", value);
        EXPECT_EQ(IniText::Get(text, "Settings", "Layout"), value) << text;
        EXPECT_EQ(IniText::Get(text, "Other", "Name"), "v") << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << text;
    }
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFu;
}

std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        paths.insert(entry.path().string());
    }
    return paths;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AppProfileFile : public testing::Test {
protected:
    std::string Path(const std::string& name) const {
        return m_temp.path().toStdString() + "/" + name;
    }

private:
    QTemporaryDir m_temp;
};

TEST_F(AppProfileFile, ANewFileKeepsOnlyTheReadAndWriteBitsOfTheOldOne) {
    CAppProfile profile(Path("new/harborlight/harborlight.ini"));
    ASSERT_TRUE(profile.WriteString("Settings", "Layout", "A"));
    EXPECT_EQ(ModeOf(profile.Path()), 0600u);
    EXPECT_EQ(ModeOf(Path("new/harborlight")), 0700u);
    const struct {
        unsigned before;
        unsigned after;
    } cases[] = {{06777, 0666}, {0755, 0644}, {01640, 0640}};
    char value = 'B';
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(profile.Path().c_str(), c.before), 0);
        ASSERT_TRUE(profile.WriteString("Settings", "Layout", std::string(1, value++)));
        EXPECT_EQ(ModeOf(profile.Path()), c.after) << std::oct << c.before;
    }
    EXPECT_EQ(profile.GetString("Settings", "Layout"), "D");
    // Only the profile and its lock file remain: no temporary file.
    EXPECT_EQ(Tree(Path("new/harborlight")),
              (std::set<std::string>{profile.Path(), profile.Path() + ".lock"}));
}

// A write replaces the file by rename; a link at its name is replaced, its target left alone.
TEST_F(AppProfileFile, AWriteReplacesTheFileWholeAndKeepsItsOtherLines) {
    const std::string target = Path("target.ini");
    { std::ofstream(target) << "[Settings]\nLayout=OLD\n"; }
    ASSERT_EQ(::mkdir(Path("harborlight").c_str(), 0700), 0);
    CAppProfile profile(Path("harborlight/harborlight.ini"));
    { std::ofstream(profile.Path()) << "; mine\n[Other]\nName=v\n[Settings]\nLayout=OLD\n"; }
    struct stat before {};
    ASSERT_EQ(::stat(profile.Path().c_str(), &before), 0);
    ASSERT_TRUE(profile.WriteString("Settings", "Layout", "NEW"));
    struct stat after {};
    ASSERT_EQ(::stat(profile.Path().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(ReadText(profile.Path()), "; mine\n[Other]\nName=v\n[Settings]\nLayout=NEW\n");

    ASSERT_EQ(::unlink(profile.Path().c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), profile.Path().c_str()), 0);
    ASSERT_TRUE(profile.WriteString("Settings", "Layout", "NEW"));
    EXPECT_EQ(ReadText(target), "[Settings]\nLayout=OLD\n");
    EXPECT_EQ(ReadText(profile.Path()), "[Settings]\nLayout=NEW\n");
}

// A FIFO at the profile's name would block an open until a writer came.
TEST_F(AppProfileFile, AFifoAtTheProfilePathIsNeitherReadNorReplaced) {
    ASSERT_EQ(::mkdir(Path("harborlight").c_str(), 0700), 0);
    CAppProfile profile(Path("harborlight/harborlight.ini"));
    ASSERT_EQ(::mkfifo(profile.Path().c_str(), 0600), 0);
    EXPECT_EQ(profile.GetString("Settings", "Layout"), std::nullopt);
    EXPECT_FALSE(profile.WriteString("Settings", "Layout", "A"));
    struct stat info {};
    ASSERT_EQ(::lstat(profile.Path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// Run as root with a user's HOME or XDG_CONFIG_HOME, as sudo may leave them.
TEST_F(AppProfileFile, RootWithAnotherUsersHomeKeepsTheProfileInItsOwnFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    const std::string user = Path("user");
    ASSERT_EQ(::mkdir(user.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((user + "/.config").c_str(), 0755), 0);
    ASSERT_EQ(::chown(user.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(::chown((user + "/.config").c_str(), kOtherUser, kOtherUser), 0);
    const std::string own = OwnHomeFolder() + "/.config/harborlight/harborlight.ini";
    const std::optional<std::string> savedHome = qEnvironmentVariableIsSet("HOME")
                                                     ? std::optional(qgetenv("HOME").toStdString())
                                                     : std::nullopt;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("HOME", QByteArray::fromStdString(user));
    qunsetenv("XDG_CONFIG_HOME");
    const std::string viaHome = CAppProfile::DefaultPath();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(user + "/.config"));
    const std::string viaConfig = CAppProfile::DefaultPath();
    savedHome ? qputenv("HOME", QByteArray::fromStdString(*savedHome)) : qunsetenv("HOME");
    hadConfig ? qputenv("XDG_CONFIG_HOME", savedConfig) : qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(viaHome, own);
    EXPECT_EQ(viaConfig, own);
    EXPECT_EQ(Tree(user), (std::set<std::string>{user + "/.config"}));
}

TEST_F(AppProfileFile, AFolderLinkIsFollowedOnlyWhenItAndItsFolderAreTheUsersOwn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << kNeedsRoot;
    }
    const std::string target = Path("target"), userTarget = Path("userTarget");
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(userTarget.c_str(), 0755), 0);
    ASSERT_EQ(::chown(userTarget.c_str(), kOtherUser, kOtherUser), 0);
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
        const std::string link = Path(c.name);
        ASSERT_EQ(::symlink(c.to.c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        CAppProfile profile(link + "/harborlight.ini");
        EXPECT_EQ(profile.WriteString("Settings", "Layout", "A"), c.followed);
        EXPECT_EQ(std::filesystem::exists(c.to + "/harborlight.ini"), c.followed);
        EXPECT_EQ(std::filesystem::exists(c.to + "/harborlight.ini.lock"), c.followed);
    }
}

} // namespace
} // namespace hl
