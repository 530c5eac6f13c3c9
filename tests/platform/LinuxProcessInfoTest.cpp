#include "platform/linux/LinuxProcessInfo.h"

#include "TempTree.h"

#include <climits>
#include <gtest/gtest.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace hl {
namespace {

struct NameCase {
    const char* name;
    const char* text;
    std::optional<std::string> result;
};

class ExeLinkTest : public testing::TestWithParam<NameCase> {};
TEST_P(ExeLinkTest, TakesTheBaseName) {
    EXPECT_EQ(ExeBaseNameFromLink(GetParam().text), GetParam().result);
}
INSTANTIATE_TEST_SUITE_P(
    Links, ExeLinkTest,
    testing::Values(NameCase{"Path", "/usr/bin/python3.11", "python3.11"},
                    NameCase{"Deleted", "/opt/app/server (deleted)", "server"},
                    NameCase{"BlankInName", "/opt/my app/my server", "my server"},
                    NameCase{"DeletedOnlyAtTheEnd", "/x/a (deleted) b", "a (deleted) b"},
                    NameCase{"NoSlash", "memfd:jit", "memfd:jit"},
                    NameCase{"Root", "/", std::nullopt}, NameCase{"Empty", "", std::nullopt},
                    NameCase{"OnlyDeleted", "/dir/ (deleted)", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

class StatNameTest : public testing::TestWithParam<NameCase> {};
TEST_P(StatNameTest, TakesTheTextBetweenFirstOpenAndLastClose) {
    EXPECT_EQ(CommandNameFromStat(GetParam().text), GetParam().result);
}
INSTANTIATE_TEST_SUITE_P(Stats, StatNameTest,
                         testing::Values(NameCase{"Plain", "1 (systemd) S 0 1 1 0 -1", "systemd"},
                                         NameCase{"CloseParenAndBlank", "7 (a) (b) S 1 7", "a) (b"},
                                         NameCase{"Newline", "8 (two\nlines) S 1 8", "two\nlines"},
                                         NameCase{"EmptyName", "9 () S 1", ""},
                                         NameCase{"NoClose", "10 (broken S 1", std::nullopt},
                                         NameCase{"CloseBeforeOpen", "11 )x( S", std::nullopt},
                                         NameCase{"Empty", "", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KernelMajorTest, ReadsTheLeadingNumber) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"6.1.0-18-amd64", 6},
        {"10.2", 10},
        {"4.19.0", 4},
        {"6", 6},
        {"", std::nullopt},
        {"v6.1", std::nullopt},
        {"9999999.1", std::nullopt},
    };
    for (const auto& [release, major] : cases) {
        EXPECT_EQ(KernelMajorFromRelease(release), major) << release;
    }
}

class ProcessTreeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.Link("1/exe", "/usr/lib/systemd/systemd"));
        ASSERT_TRUE(tree.File("1/stat", "1 (systemd) S 0 1 1"));
        ASSERT_TRUE(tree.Link("9/exe", "/usr/sbin/cron"));
        ASSERT_TRUE(tree.Link("42/exe", "/opt/app/my server (deleted)"));
        // No readable exe link: the name comes from stat.
        ASSERT_TRUE(tree.File("43/stat", "43 (evil) (name) S 1 43"));
        ASSERT_TRUE(tree.File("44/stat", "44 (two\nlines) S 1 44"));
        ASSERT_TRUE(tree.Link("47/exe", "/"));
        ASSERT_TRUE(tree.File("47/stat", "47 (slashy) S 1 47"));
        // Neither name can be read: left out.
        ASSERT_TRUE(tree.Dir("45"));
        ASSERT_TRUE(tree.File("51/stat", "51 (broken S 1"));
        // Not processes of their own.
        ASSERT_TRUE(tree.Link("50", "1"));
        ASSERT_TRUE(tree.Link("self", "1"));
        ASSERT_TRUE(tree.Link("abc/exe", "/bin/abc"));
        ASSERT_TRUE(tree.Link("007/exe", "/bin/bond"));
        ASSERT_TRUE(tree.Link("+5/exe", "/bin/plus"));
        ASSERT_TRUE(tree.Link("4294967296/exe", "/bin/big"));
        ASSERT_TRUE(tree.File("60", "a file"));
        ASSERT_TRUE(tree.Dir("net"));
    }

    test::TempTree tree;
};

TEST_F(ProcessTreeTest, SnapshotListsNamedProcessesInPidOrder) {
    LinuxProcessInfo info(tree.Root());
    std::vector<ProcessEntry> got{{99, "stale"}};
    ASSERT_TRUE(info.Snapshot(got));
    const std::vector<std::pair<uint32_t, std::string>> want = {
        {1, "systemd"},      {9, "cron"},        {42, "my server"},
        {43, "evil) (name"}, {44, "two\nlines"}, {47, "slashy"},
    };
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].pid, want[i].first) << i;
        EXPECT_EQ(got[i].exeName, want[i].second) << i;
    }
}

TEST_F(ProcessTreeTest, DirectLookupReadsOnlyTheExeLink) {
    LinuxProcessInfo info(tree.Root());
    EXPECT_EQ(info.ExeBaseName(1), "systemd");
    EXPECT_EQ(info.ExeBaseName(42), "my server");
    EXPECT_EQ(info.ExeBaseName(43), std::nullopt); // stat alone is not enough here
    EXPECT_EQ(info.ExeBaseName(47), std::nullopt);
    EXPECT_EQ(info.ExeBaseName(50), std::nullopt); // an entry that is a link
    EXPECT_EQ(info.ExeBaseName(0), std::nullopt);
    EXPECT_EQ(info.ExeBaseName(12345), std::nullopt);
}

TEST_F(ProcessTreeTest, SystemDirIsTheRootWhileItCanBeOpened) {
    EXPECT_EQ(LinuxProcessInfo(tree.Root()).SystemDir(), tree.Root());
    LinuxProcessInfo missing(tree.Path("missing"));
    EXPECT_EQ(missing.SystemDir(), std::nullopt);
    std::vector<ProcessEntry> got{{99, "stale"}};
    EXPECT_FALSE(missing.Snapshot(got));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(missing.ExeBaseName(1), std::nullopt);
    EXPECT_EQ(LinuxProcessInfo(tree.Path("60")).SystemDir(), std::nullopt);
}

std::string OwnExeBaseName() {
    char buf[PATH_MAX];
    const ssize_t len = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    const std::string path(buf, len > 0 ? static_cast<size_t>(len) : 0);
    return path.substr(path.rfind('/') + 1);
}

TEST(ProcessInfoProcTest, FindsThisProcessInTheRealProcTree) {
    LinuxProcessInfo info("/proc");
    const uint32_t self = static_cast<uint32_t>(::getpid());
    const std::string name = OwnExeBaseName();
    EXPECT_EQ(info.ExeBaseName(self), name);
    std::vector<ProcessEntry> all;
    ASSERT_TRUE(info.Snapshot(all));
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                               [](const auto& a, const auto& b) { return a.pid < b.pid; }));
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.pid == self; });
    ASSERT_NE(it, all.end());
    EXPECT_EQ(it->exeName, name);
    EXPECT_EQ(info.SystemDir(), "/proc");
    utsname names{};
    ASSERT_EQ(::uname(&names), 0);
    EXPECT_EQ(info.OsMajorVersion(), KernelMajorFromRelease(names.release));
    EXPECT_GE(info.OsMajorVersion().value_or(0), 2);
}

} // namespace
} // namespace hl
