#include "platform/FileReplacer.h"

#include "TempTree.h"
#include "platform/fake/FailingFiles.h"

#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sys/stat.h>

namespace hl {
namespace {

using Step = FailingFiles::Step;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.insert(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

class FileReplacerTest : public testing::Test {
protected:
    ReplaceResult Replace(const std::string& bytes) {
        return FileReplacer(files).Replace(tree.Root(), "out.csv", bytes);
    }
    std::string Out() const { return Read(tree.Path("out.csv")); }

    test::TempTree tree;
    FailingFiles files;
};

TEST_F(FileReplacerTest, ReplacesTheWholeFileAndLeavesNothingElse) {
    ASSERT_TRUE(tree.File("out.csv", std::string(10000, 'x')));
    const std::string bytes = "a,b\r\n\"c\"\r\n";
    EXPECT_EQ(Replace(bytes), ReplaceResult::Replaced);
    EXPECT_EQ(Out(), bytes);
    EXPECT_EQ(Names(tree.Root()), std::set<std::string>{"out.csv"});

    // A new file is an ordinary one: read/write as the umask allows, never executable.
    struct stat info {};
    ASSERT_EQ(::stat(tree.Path("out.csv").c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);
}

TEST_F(FileReplacerTest, ASymlinkAtThePathIsReplacedNotFollowed) {
    ASSERT_TRUE(tree.File("elsewhere/target", "keep me"));
    ASSERT_TRUE(tree.Link("out.csv", tree.Path("elsewhere/target")));
    EXPECT_EQ(Replace("new"), ReplaceResult::Replaced);
    struct stat info {};
    ASSERT_EQ(::lstat(tree.Path("out.csv").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(Out(), "new");
    EXPECT_EQ(Read(tree.Path("elsewhere/target")), "keep me");
}

TEST_F(FileReplacerTest, AFailureAfterTheCreateKeepsThePreviousFile) {
    const std::string previous = "Protocol,PID\r\nTCP,1\r\n";
    for (const Step step : {Step::Write, Step::Sync, Step::Close, Step::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        ASSERT_TRUE(tree.File("out.csv", previous));
        files.failAt = step;
        EXPECT_EQ(Replace(std::string(100000, 'n')), ReplaceResult::WriteFailed);
        EXPECT_EQ(Out(), previous);
        // The half-written temporary file is gone.
        EXPECT_EQ(Names(tree.Root()), std::set<std::string>{"out.csv"});
    }
}

TEST_F(FileReplacerTest, AFolderWhereNothingCanBeCreatedChangesNothing) {
    for (const Step step : {Step::OpenFolder, Step::CreateNew}) {
        SCOPED_TRACE(static_cast<int>(step));
        ASSERT_TRUE(tree.File("out.csv", "old"));
        files.failAt = step;
        EXPECT_EQ(Replace("new"), ReplaceResult::NotCreated);
        EXPECT_EQ(Out(), "old");
        EXPECT_EQ(Names(tree.Root()), std::set<std::string>{"out.csv"});
    }
    files.failAt = Step::None;
    EXPECT_EQ(FileReplacer(files).Replace(tree.Path("missing"), "out.csv", "x"),
              ReplaceResult::NotCreated);
}

} // namespace
} // namespace hl
