#include "platform/linux/UserFolders.h"

#include "TempTree.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hl {
namespace {

// An unprivileged user id that owns nothing of the test's own: "nobody".
constexpr uid_t kOtherUser = 65534;
constexpr const char* kNeedsRoot =
    "files of another user can only be made by root; run the tests as root";

TEST(UserFolders, ReplacementFileKeepsOnlyReadAndWriteBits) {
    const struct {
        bool hadFile;
        unsigned oldMode;
        unsigned mode;
    } cases[] = {
        {true, 06777, 0666}, {true, 0644, 0644}, {true, 0755, 0644},  {true, 01600, 0600},
        {true, 04700, 0600}, {true, 0, 0},       {false, 0777, 0600}, {false, 0, 0600},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplacementFileMode(c.hadFile, c.oldMode), c.mode)
            << std::oct << c.oldMode << (c.hadFile ? "" : " (no file)");
    }
}

// A tree with folders and links of root's and of another user's.
class ForeignTree : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << kNeedsRoot;
        }
        ASSERT_TRUE(tree.Dir("own/config"));
        ASSERT_TRUE(tree.Dir("user/.config/harborlight"));
        ASSERT_TRUE(tree.Dir("user/rootsFolder"));
        ASSERT_TRUE(tree.Dir("empty"));
        for (const char* rel : {"user", "user/.config", "user/.config/harborlight"}) {
            ASSERT_EQ(::chown(tree.Path(rel).c_str(), kOtherUser, kOtherUser), 0) << rel;
        }
        ASSERT_TRUE(tree.File("own/file", "x"));
        // Links to root's own folder: one of root's, one planted by the other user.
        ASSERT_TRUE(tree.Link("own/ownLink", tree.Path("own/config")));
        ASSERT_TRUE(tree.Link("own/plantedLink", tree.Path("own/config")));
        ASSERT_EQ(::lchown(tree.Path("own/plantedLink").c_str(), kOtherUser, kOtherUser), 0);
        // One of root's links, leading into the other user's folder.
        ASSERT_TRUE(tree.Link("own/linkToUser", tree.Path("user/.config")));
    }

    test::TempTree tree;
};

TEST_F(ForeignTree, FolderOrTheFolderItWouldBeMadeInDecidesWhoseItIs) {
    const struct {
        const char* rel;
        bool foreign;
    } cases[] = {
        {"own/config", false},
        {"own/config/harborlight", false}, // would be made in root's folder
        {"own/missing/deeper/harborlight", false},
        {"user/.config/harborlight", true}, // the user's folder
        {"user/.config/harborlight/", true},
        {"user/.config/missing/harborlight", true}, // would be made in the user's folder
        {"user/rootsFolder", true}, // root's, but in a folder the user may rearrange
        {"own/plantedLink", true},
        {"own/linkToUser/harborlight", true},
        {"own/file/harborlight", true}, // cannot be examined as a folder
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InForeignFolder(tree.Path(c.rel)), c.foreign) << c.rel;
    }
}

TEST_F(ForeignTree, RootUsesItsOwnHomeForAFolderInAnotherUsersHome) {
    const std::string ownHome = tree.Path("own");
    EXPECT_EQ(OwnUserFolder(tree.Path("user/.config/harborlight"), ownHome, ".config",
                            "harborlight", "settings"),
              ownHome + "/.config/harborlight");
    EXPECT_EQ(OwnUserFolder(tree.Path("own/config/harborlight"), ownHome, ".config", "harborlight",
                            "settings"),
              tree.Path("own/config/harborlight"));
    EXPECT_EQ(OwnUserFolder(tree.Path("user/.local/share/harborlight"), ownHome + "/",
                            ".local/share", "harborlight", "export"),
              ownHome + "/.local/share/harborlight");
    EXPECT_EQ(OwnUserFolder(tree.Path("user/x"), "", ".config", "harborlight", "settings"), "");
}

TEST_F(ForeignTree, LinksAreFollowedOnlyWhenTheyAndTheirTargetAreTheUsersOwn) {
    EXPECT_TRUE(OpenOwnFolder(tree.Path("own/config")));
    EXPECT_TRUE(OpenOwnFolder(tree.Path("own/ownLink")));
    // A folder of another user that is no link is opened: only links are refused.
    EXPECT_TRUE(OpenOwnFolder(tree.Path("user/.config")));

    const struct {
        const char* rel;
        int error;
    } refused[] = {
        {"own/plantedLink", EACCES}, {"own/plantedLink/", EACCES}, {"own/linkToUser", EACCES},
        {"own/file", ENOTDIR},       {"own/missing", ENOENT},
    };
    for (const auto& c : refused) {
        errno = 0;
        EXPECT_FALSE(OpenOwnFolder(tree.Path(c.rel))) << c.rel;
        EXPECT_EQ(errno, c.error) << c.rel;
    }
}

TEST(UserFolders, OwnHomeComesFromThePasswordDatabase) {
    const std::string home = OwnHomeFolder();
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(home.front(), '/');
    struct stat info {};
    if (::stat(home.c_str(), &info) == 0) {
        EXPECT_TRUE(S_ISDIR(info.st_mode));
    }
}

} // namespace
} // namespace hl
