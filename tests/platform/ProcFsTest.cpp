#include "platform/linux/ProcFs.h"

#include "TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace hl {
namespace {

struct PidCase {
    const char* name;
    const char* text;
    std::optional<uint32_t> pid;
};

class ParsePidTest : public testing::TestWithParam<PidCase> {};

TEST_P(ParsePidTest, ParsesOnlyCanonicalDecimal) {
    EXPECT_EQ(ParsePid(GetParam().text), GetParam().pid);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParsePidTest,
                         testing::Values(PidCase{"One", "1", 1u},
                                         PidCase{"Typical", "31337", 31337u},
                                         PidCase{"Largest32Bit", "4294967295", 4294967295u},
                                         PidCase{"Overflow32Bit", "4294967296", std::nullopt},
                                         PidCase{"ElevenDigits", "12345678901", std::nullopt},
                                         PidCase{"Empty", "", std::nullopt},
                                         PidCase{"Plus", "+1", std::nullopt},
                                         PidCase{"Minus", "-1", std::nullopt},
                                         PidCase{"LeadingZero", "007", std::nullopt},
                                         PidCase{"TrailingLetter", "12a", std::nullopt},
                                         PidCase{"LeadingBlank", " 12", std::nullopt},
                                         PidCase{"Self", "self", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProcFsTest, ReadsAWholeFileLargerThanOneRead) {
    test::TempTree tree;
    std::string big;
    for (int i = 0; big.size() < 300000; ++i) {
        big += "line " + std::to_string(i) + "\n";
    }
    ASSERT_TRUE(tree.File("big", big));
    ASSERT_TRUE(tree.File("empty", ""));

    std::string out = "old contents";
    EXPECT_TRUE(ReadWholeFileAt(AT_FDCWD, tree.Path("big").c_str(), out));
    EXPECT_EQ(out, big);
    EXPECT_TRUE(ReadWholeFileAt(AT_FDCWD, tree.Path("empty").c_str(), out));
    EXPECT_EQ(out, "");
}

TEST(ProcFsTest, ReadsProcFilesWhoseSizeIsZero) {
    std::string out;
    ASSERT_TRUE(ReadWholeFileAt(AT_FDCWD, "/proc/self/stat", out));
    EXPECT_NE(out.find('('), std::string::npos);
}

TEST(ProcFsTest, RefusesMissingEntriesAndLinksInTheLastComponent) {
    test::TempTree tree;
    ASSERT_TRUE(tree.File("dir/file", "x"));
    ASSERT_TRUE(tree.Link("fileLink", "dir/file"));
    ASSERT_TRUE(tree.Link("dirLink", "dir"));

    std::string out;
    errno = 0;
    EXPECT_FALSE(ReadWholeFileAt(AT_FDCWD, tree.Path("missing").c_str(), out));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(ReadWholeFileAt(AT_FDCWD, tree.Path("fileLink").c_str(), out));
    EXPECT_FALSE(OpenDirAt(AT_FDCWD, tree.Path("dirLink").c_str()));
    EXPECT_FALSE(OpenDirAt(AT_FDCWD, tree.Path("dir/file").c_str()));
    const UniqueFd root = OpenDirAt(AT_FDCWD, tree.Root().c_str());
    ASSERT_TRUE(root);
    EXPECT_TRUE(OpenDirAt(root.Get(), "dir"));
    // A link in an inner component is followed (as <proc>/net is in a real proc tree).
    EXPECT_TRUE(ReadWholeFileAt(root.Get(), "dirLink/file", out));
    EXPECT_EQ(out, "x");
}

TEST(ProcFsTest, ListsEveryEntryOnceThroughASmallBuffer) {
    test::TempTree tree;
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(tree.File("d/" + std::to_string(i), ""));
    }
    ASSERT_TRUE(tree.Link("d/link", "0"));
    const UniqueFd dir = OpenDirAt(AT_FDCWD, tree.Path("d").c_str());
    ASSERT_TRUE(dir);
    std::vector<std::byte> buf(512); // forces many batches
    std::map<std::string, unsigned char> seen;
    EXPECT_TRUE(ForEachDirEntry(dir.Get(), buf, [&](const char* name, unsigned char type) {
        EXPECT_TRUE(seen.emplace(name, type).second) << name;
    }));
    EXPECT_EQ(seen.size(), 501u);
    EXPECT_FALSE(seen.contains("."));
    EXPECT_FALSE(seen.contains(".."));
    EXPECT_EQ(seen["link"], DT_LNK);
    EXPECT_EQ(seen["499"], DT_REG);
}

TEST(ProcFsTest, ReadLinkRefusesTargetsThatDoNotFit) {
    test::TempTree tree;
    ASSERT_TRUE(tree.Link("short", "socket:[1]"));
    ASSERT_TRUE(tree.Link("long", std::string(100, 'x')));
    const UniqueFd root = OpenDirAt(AT_FDCWD, tree.Root().c_str());
    char buf[64];
    const auto len = ReadLinkAt(root.Get(), "short", buf);
    ASSERT_TRUE(len);
    EXPECT_EQ(std::string_view(buf, *len), "socket:[1]");
    EXPECT_FALSE(ReadLinkAt(root.Get(), "long", buf));
    EXPECT_FALSE(ReadLinkAt(root.Get(), "missing", buf));
}

} // namespace
} // namespace hl
