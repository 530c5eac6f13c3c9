#include "platform/linux/LinuxProcessInfo.h"

#include "TempTree.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hl {
namespace {

struct NameCase {
    const char* name;
    const char* text;
    std::optional<std::string> result;
};

struct LinkCase {
    const char* name;
    const char* text;
    bool targetGone;
    std::optional<std::string> result;
};

class ExeLinkTest : public testing::TestWithParam<LinkCase> {};
TEST_P(ExeLinkTest, TakesTheBaseName) {
    EXPECT_EQ(ExeBaseNameFromLink(GetParam().text, GetParam().targetGone), GetParam().result);
}
INSTANTIATE_TEST_SUITE_P(
    Links, ExeLinkTest,
    testing::Values(
        LinkCase{"Path", "/usr/bin/python3.11", false, "python3.11"},
        LinkCase{"Deleted", "/opt/app/server (deleted)", true, "server"},
        LinkCase{"AliveNamedDeleted", "/opt/app/fake (deleted)", false, "fake (deleted)"},
        LinkCase{"DeletedNamedDeleted", "/opt/x (deleted) (deleted)", true, "x (deleted)"},
        LinkCase{"BlankInName", "/opt/my app/my server", false, "my server"},
        LinkCase{"DeletedOnlyAtTheEnd", "/x/a (deleted) b", true, "a (deleted) b"},
        LinkCase{"NoSlash", "memfd:jit", false, "memfd:jit"},
        LinkCase{"Root", "/", false, std::nullopt}, LinkCase{"Empty", "", true, std::nullopt},
        LinkCase{"OnlyDeleted", "/dir/ (deleted)", true, std::nullopt}),
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
        // An executable really named "fake (deleted)" that is still there.
        ASSERT_TRUE(tree.File("bin/fake (deleted)", "#!/bin/sh\n"));
        ASSERT_TRUE(tree.Link("48/exe", tree.Path("bin/fake (deleted)")));
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
        {1, "systemd"},     {9, "cron"},    {42, "my server"},      {43, "evil) (name"},
        {44, "two\nlines"}, {47, "slashy"}, {48, "fake (deleted)"},
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
    EXPECT_EQ(info.ExeBaseName(48), "fake (deleted)");
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

// A running process started from a file (a copy of sleep) that is then removed.
class RunningCopy {
public:
    RunningCopy(const std::string& dir, const std::string& name) : m_exe(dir + "/" + name) {
        {
            std::ifstream from("/bin/sleep", std::ios::binary);
            std::ofstream to(m_exe, std::ios::binary);
            to << from.rdbuf();
        }
        char arg0[] = "sleep", arg1[] = "60";
        char* argv[] = {arg0, arg1, nullptr};
        if (::chmod(m_exe.c_str(), 0755) != 0 ||
            ::posix_spawn(&m_pid, m_exe.c_str(), nullptr, nullptr, argv, environ) != 0) {
            m_pid = 0;
        }
    }
    ~RunningCopy() {
        if (m_pid != 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::unlink(m_exe.c_str());
    }
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    uint32_t Pid() const { return static_cast<uint32_t>(m_pid); }
    bool Remove() const { return ::unlink(m_exe.c_str()) == 0; }

private:
    std::string m_exe;
    pid_t m_pid = 0;
};

// The name a snapshot and the direct lookup give for pid, once both agree.
std::optional<std::string> NameOf(LinuxProcessInfo& info, uint32_t pid) {
    std::vector<ProcessEntry> all;
    if (!info.Snapshot(all)) {
        return std::nullopt;
    }
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.pid == pid; });
    if (it == all.end() || info.ExeBaseName(pid) != it->exeName) {
        return std::nullopt;
    }
    return it->exeName;
}

// The kernel appends " (deleted)" to the exe link of a removed file: that suffix goes, but a
// file really named "fake (deleted)" keeps its name, alive or removed.
TEST(ProcessInfoProcTest, DeletedSuffixIsStrippedOnlyWhenTheExecutableIsGone) {
    char dirTemplate[] = HL_BINARY_DIR "/deleted-name.XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    LinuxProcessInfo info("/proc");
    for (const std::string name : {"fake (deleted)", "fake"}) {
        SCOPED_TRACE(name);
        RunningCopy copy(dirTemplate, name);
        ASSERT_NE(copy.Pid(), 0u);
        // The exe link names the new image once the exec is done.
        std::optional<std::string> alive;
        for (int i = 0; i < 500 && alive != name; ++i) {
            alive = NameOf(info, copy.Pid());
            if (alive != name) {
                ::usleep(10000);
            }
        }
        EXPECT_EQ(alive, name);
        ASSERT_TRUE(copy.Remove());
        EXPECT_EQ(NameOf(info, copy.Pid()), name);
    }
    ::rmdir(dirTemplate);
}

} // namespace
} // namespace hl
