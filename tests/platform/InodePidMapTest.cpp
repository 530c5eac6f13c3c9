#include "platform/linux/InodePidMap.h"

#include "TempTree.h"
#include "platform/UniqueFd.h"
#include "platform/linux/ProcessScan.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hl {
namespace {

struct LinkCase {
    const char* name;
    const char* link;
    std::optional<uint64_t> inode;
};

class SocketLinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(SocketLinkTest, ParsesOnlySocketLinks) {
    EXPECT_EQ(ParseSocketLink(GetParam().link), GetParam().inode);
}

INSTANTIATE_TEST_SUITE_P(
    Links, SocketLinkTest,
    testing::Values(LinkCase{"Socket", "socket:[123456]", 123456u},
                    LinkCase{"Zero", "socket:[0]", 0u},
                    LinkCase{"Largest", "socket:[18446744073709551615]", UINT64_MAX},
                    LinkCase{"Overflow", "socket:[18446744073709551616]", std::nullopt},
                    LinkCase{"NoDigits", "socket:[]", std::nullopt},
                    LinkCase{"Letters", "socket:[12a]", std::nullopt},
                    LinkCase{"Sign", "socket:[-1]", std::nullopt},
                    LinkCase{"NoBrackets", "socket:123", std::nullopt},
                    LinkCase{"Unclosed", "socket:[123", std::nullopt},
                    LinkCase{"TrailingText", "socket:[123]x", std::nullopt},
                    LinkCase{"Pipe", "pipe:[123]", std::nullopt},
                    LinkCase{"AnonInode", "anon_inode:[eventfd]", std::nullopt},
                    LinkCase{"File", "/dev/null", std::nullopt},
                    LinkCase{"FileNamedLikeASocket", "/tmp/socket:[5]", std::nullopt},
                    LinkCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

class InodePidMapTreeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.Link("100/fd/0", "socket:[1000]"));
        ASSERT_TRUE(tree.Link("100/fd/1", "/dev/null"));
        ASSERT_TRUE(tree.Link("100/fd/2", "socket:[2000]"));
        // 200 shares 2000 with 100 and 3000 with 30: the lower pid owns each.
        ASSERT_TRUE(tree.Link("200/fd/5", "socket:[2000]"));
        ASSERT_TRUE(tree.Link("200/fd/6", "socket:[3000]"));
        ASSERT_TRUE(tree.Link("30/fd/3", "socket:[3000]"));
        ASSERT_TRUE(tree.Link("30/fd/4", "pipe:[3001]"));
        // 40 vanished after the listing: its directory has no fd folder any more.
        ASSERT_TRUE(tree.File("40/stat", "40 (gone) Z"));
        // Entries that are not processes of their own.
        ASSERT_TRUE(tree.Link("50", "100"));
        ASSERT_TRUE(tree.Link("self", "100"));
        ASSERT_TRUE(tree.Link("abc/fd/0", "socket:[4000]"));
        ASSERT_TRUE(tree.Link("0060/fd/0", "socket:[5000]"));
        ASSERT_TRUE(tree.File("70/fd", "not a directory"));
        ASSERT_TRUE(tree.Link("80/fd/7", "socket:[6000"));
        ASSERT_TRUE(tree.File("80/fd/8", "socket:[6001]")); // a file, not a link
        ASSERT_TRUE(tree.Link("90/fd", "../100/fd"));       // fd itself a link
        ASSERT_TRUE(tree.Dir("net"));
    }

    test::TempTree tree;
};

TEST_F(InodePidMapTreeTest, MapsEverySocketToItsLowestPid) {
    const ProcessWalk walk = WalkProcesses(tree.Root().c_str());
    ASSERT_TRUE(walk.ok);
    const InodePidMap& map = walk.owners;
    EXPECT_EQ(map.Find(1000), 100u);
    EXPECT_EQ(map.Find(2000), 100u);
    EXPECT_EQ(map.Find(3000), 30u);
    EXPECT_EQ(map.Size(), 3u);
}

TEST_F(InodePidMapTreeTest, IgnoresEntriesThatAreNotReadableProcesses) {
    const ProcessWalk walk = WalkProcesses(tree.Root().c_str());
    ASSERT_TRUE(walk.ok);
    const InodePidMap& map = walk.owners;
    for (const uint64_t inode : {0u, 3001u, 4000u, 5000u, 6000u, 6001u, 9999u}) {
        EXPECT_EQ(map.Find(inode), 0u) << inode;
    }
}

TEST_F(InodePidMapTreeTest, RebuildStartsAfresh) {
    ASSERT_TRUE(WalkProcesses(tree.Root().c_str()).ok);
    const ProcessWalk missing = WalkProcesses(tree.Path("missing").c_str());
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.owners.Size(), 0u);
    EXPECT_EQ(missing.owners.Find(1000), 0u);
    EXPECT_TRUE(missing.processes.empty());
}

TEST_F(InodePidMapTreeTest, OneWalkNamesTheProcessesWhoseSocketsItReads) {
    ASSERT_TRUE(tree.File("100/stat", "100 (srv) S 1"));
    ASSERT_TRUE(tree.File("30/stat", "30 (a) b) S 1"));
    ASSERT_TRUE(tree.File("200/stat", "garbled"));
    const ProcessWalk walk = WalkProcesses(tree.Root().c_str());
    ASSERT_TRUE(walk.ok);
    std::vector<std::pair<uint32_t, std::string>> names;
    for (const ProcessEntry& e : walk.processes) {
        names.emplace_back(e.pid, e.exeName);
    }
    // Ascending pid; 200's stat names nothing, 40 is gone but its stat still reads.
    const std::vector<std::pair<uint32_t, std::string>> want = {
        {30, "a) b"}, {40, "gone"}, {100, "srv"}};
    EXPECT_EQ(names, want);
    EXPECT_EQ(walk.owners.Find(3000), 30u);

    // Each part on its own.
    const ProcessWalk namesOnly =
        WalkProcesses(tree.Root().c_str(), {.names = true, .sockets = false});
    EXPECT_EQ(namesOnly.processes.size(), 3u);
    EXPECT_EQ(namesOnly.owners.Size(), 0u);
    const ProcessWalk socketsOnly =
        WalkProcesses(tree.Root().c_str(), {.names = false, .sockets = true});
    EXPECT_TRUE(socketsOnly.processes.empty());
    EXPECT_EQ(socketsOnly.owners.Size(), 3u);
}

TEST_F(InodePidMapTreeTest, AScanWalksOnceWhoeverAsks) {
    ProcessScan scan(tree.Root());
    EXPECT_EQ(scan.Get().owners.Find(1000), 100u);
    ASSERT_EQ(scan.Get().processes.size(), 1u); // 40, named by its stat
    // What changes after the walk stays unseen by this scan; a new scan sees it.
    ASSERT_TRUE(tree.Link("20/fd/0", "socket:[1000]"));
    ASSERT_TRUE(tree.File("20/stat", "20 (late) S"));
    EXPECT_EQ(scan.Get().owners.Find(1000), 100u);
    EXPECT_EQ(scan.Get().processes.size(), 1u);
    ProcessScan fresh(tree.Root());
    EXPECT_EQ(fresh.Get().owners.Find(1000), 20u);
    ASSERT_EQ(fresh.Get().processes.size(), 2u);
    EXPECT_EQ(fresh.Get().processes[0].exeName, "late");
}

uint64_t InodeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}

TEST(InodePidMapProcTest, FindsTheOwnersOfRealSockets) {
    const UniqueFd mine(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(mine);
    // A child holding a socket of its own, and the parent's socket as well.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int own = ::socket(AF_INET, SOCK_DGRAM, 0);
        const uint64_t inode = InodeOf(own);
        (void)!::write(ready[1], &inode, sizeof inode);
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    uint64_t childInode = 0;
    ASSERT_EQ(::read(ready[0], &childInode, sizeof childInode),
              static_cast<ssize_t>(sizeof childInode));

    const ProcessWalk walk = WalkProcesses("/proc");
    const bool built = walk.ok;
    const InodePidMap& map = walk.owners;
    (void)!::write(release[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    for (const int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }

    ASSERT_TRUE(built);
    const uint32_t self = static_cast<uint32_t>(::getpid());
    // The parent's socket is held by the child as well (inherited); the parent is lower.
    if (self < static_cast<uint32_t>(child)) {
        EXPECT_EQ(map.Find(InodeOf(mine.Get())), self);
    } else {
        EXPECT_EQ(map.Find(InodeOf(mine.Get())), static_cast<uint32_t>(child));
    }
    EXPECT_EQ(map.Find(childInode), static_cast<uint32_t>(child));
}

} // namespace
} // namespace hl
