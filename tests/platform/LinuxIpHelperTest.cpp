#include "platform/linux/LinuxIpHelper.h"

#include "TempTree.h"
#include "platform/ErrorCodes.h"
#include "platform/UniqueFd.h"
#include "platform/linux/LinuxSystem.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hl {
namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// ---- plain tables from a fixture proc root ----------------------------------------------

TEST(LinuxIpHelperFixtureTest, PlainTablesAreParsedAndSortedAsHostNumbers) {
    test::TempTree tree;
    // File order is not table order; 10.0.0.2 sorts after 9.0.0.1 and port 256 after port 1
    // only when compared as host numbers.
    ASSERT_TRUE(tree.File("net/tcp", "  sl  local_address rem_address   st\n"
                                     "   0: 0200000A:0001 00000000:0000 0A\n"
                                     "   1: 01000009:0100 00000000:0000 0A\n"
                                     "   2: 01000009:0001 0100007F:0100 01\n"
                                     "   3: 01000009:0001 0100007F:0001 06\n"
                                     "   4: broken line\n"));
    ASSERT_TRUE(tree.File("net/udp", "  sl  local_address\n"
                                     "   0: 0200000A:0035 00000000:0000 07\n"
                                     "   1: 01000009:0100 00000000:0000 07\n"
                                     "   2: 01000009:0001 00000000:0000 07\n"));
    LinuxIpHelper ip(tree.Root());

    std::vector<TcpRow> tcp;
    ASSERT_EQ(ip.GetTcpTable(tcp), kErrorSuccess);
    const std::vector<TcpRow> wantTcp = {
        {11, inet_addr("9.0.0.1"), htons(1), inet_addr("127.0.0.1"), htons(1)},
        {5, inet_addr("9.0.0.1"), htons(1), inet_addr("127.0.0.1"), htons(256)},
        {2, inet_addr("9.0.0.1"), htons(256), 0, 0},
        {2, inet_addr("10.0.0.2"), htons(1), 0, 0},
    };
    EXPECT_EQ(tcp, wantTcp);

    std::vector<UdpRow> udp;
    ASSERT_EQ(ip.GetUdpTable(udp), kErrorSuccess);
    const std::vector<UdpRow> wantUdp = {
        {inet_addr("9.0.0.1"), htons(1)},
        {inet_addr("9.0.0.1"), htons(256)},
        {inet_addr("10.0.0.2"), htons(53)},
    };
    EXPECT_EQ(udp, wantUdp);
}

TEST(LinuxIpHelperFixtureTest, MissingTablesGiveAnErrorCodeNeverOne) {
    test::TempTree tree;
    ASSERT_TRUE(tree.File("net/tcp", "  sl  local_address rem_address   st\n"));
    std::vector<TcpRow> tcp{{}};
    LinuxIpHelper ip(tree.Root());
    EXPECT_EQ(ip.GetTcpTable(tcp), kErrorSuccess);
    EXPECT_TRUE(tcp.empty());
    std::vector<UdpRow> udp;
    EXPECT_EQ(ip.GetUdpTable(udp), kErrorFileNotFound);

    LinuxIpHelper missing(tree.Path("missing"));
    EXPECT_EQ(missing.GetTcpTable(tcp), kErrorFileNotFound);
    EXPECT_EQ(missing.GetUdpTable(udp), kErrorFileNotFound);
}

Ip6Addr Ip6(const char* text, uint32_t scope = 0) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    a.scopeId = scope;
    return a;
}

TEST(LinuxIpHelperFixtureTest, Ipv6TablesAreSortedAs128BitNumbers) {
    test::TempTree tree;
    // ::ffff:127.0.0.1, 2001:db8::1, ::1 and :: in file order; a byte-wise order of the
    // kernel's host-order words would put them differently.
    ASSERT_TRUE(tree.File("net/tcp6",
                          "  sl  local_address                         remote_address   st\n"
                          "   0: 0000000000000000FFFF00000100007F:0100 "
                          "00000000000000000000000000000000:0000 0A\n"
                          "   1: B80D0120000000000000000001000000:0001 "
                          "00000000000000000000000000000000:0000 0A\n"
                          "   2: 00000000000000000000000001000000:0001 "
                          "00000000000000000000000001000000:0100 01\n"
                          "   3: 00000000000000000000000001000000:0001 "
                          "00000000000000000000000001000000:0001 06\n"
                          "   4: 0100007F:0001 00000000:0000 0A\n"));
    ASSERT_TRUE(tree.File("net/udp6", "  sl  local_address\n"
                                      "   0: B80D0120000000000000000001000000:0035 "
                                      "00000000000000000000000000000000:0000 07\n"
                                      "   1: 00000000000000000000000000000000:0100 "
                                      "00000000000000000000000000000000:0000 07\n"
                                      "   2: 00000000000000000000000000000000:0001 "
                                      "00000000000000000000000000000000:0000 07\n"));
    LinuxIpHelper ip(tree.Root());

    std::vector<Tcp6Row> tcp;
    ASSERT_EQ(ip.GetTcp6Table(tcp), kErrorSuccess);
    const std::vector<Tcp6Row> wantTcp = {
        {11, Ip6("::1"), htons(1), Ip6("::1"), htons(1)},
        {5, Ip6("::1"), htons(1), Ip6("::1"), htons(256)},
        {2, Ip6("::ffff:127.0.0.1"), htons(256), Ip6("::"), 0},
        {2, Ip6("2001:db8::1"), htons(1), Ip6("::"), 0},
    };
    EXPECT_EQ(tcp, wantTcp);

    std::vector<Udp6Row> udp;
    ASSERT_EQ(ip.GetUdp6Table(udp), kErrorSuccess);
    const std::vector<Udp6Row> wantUdp = {
        {Ip6("::"), htons(1)},
        {Ip6("::"), htons(256)},
        {Ip6("2001:db8::1"), htons(53)},
    };
    EXPECT_EQ(udp, wantUdp);

    // A machine without IPv6 has neither file.
    LinuxIpHelper noIpv6(tree.Path("missing"));
    EXPECT_EQ(noIpv6.GetTcp6Table(tcp), kErrorFileNotFound);
    EXPECT_EQ(noIpv6.GetUdp6Table(udp), kErrorFileNotFound);
}

// ---- real sockets on 127.0.0.1 -------------------------------------------------------------

sockaddr_in LoopbackAddr(uint16_t portNet) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = kLoopback;
    a.sin_port = portNet;
    return a;
}

uint16_t LocalPort(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return a.sin_port;
}

UniqueFd Bound(int type) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in a = LoopbackAddr(0);
    if (!fd || ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        return UniqueFd();
    }
    return fd;
}

UniqueFd Listener() {
    UniqueFd fd = Bound(SOCK_STREAM);
    if (!fd || ::listen(fd.Get(), 8) != 0) {
        return UniqueFd();
    }
    return fd;
}

// An established loopback connection: both ends and the listener that made it.
struct Pair {
    UniqueFd listener, client, server;
    uint16_t serverPort = 0, clientPort = 0; // network order

    bool Open() {
        listener = Listener();
        client = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!listener || !client) {
            return false;
        }
        serverPort = LocalPort(listener.Get());
        const sockaddr_in a = LoopbackAddr(serverPort);
        if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
            return false;
        }
        server = UniqueFd(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        clientPort = LocalPort(client.Get());
        return server.Valid();
    }
    TcpRow ClientTuple(uint32_t state) const {
        return {state, kLoopback, clientPort, kLoopback, serverPort};
    }
    TcpRow ServerTuple(uint32_t state) const {
        return {state, kLoopback, serverPort, kLoopback, clientPort};
    }
};

TcpExRow WithPid(const TcpRow& row, uint32_t pid) {
    TcpExRow ex;
    static_cast<TcpRow&>(ex) = row;
    ex.pid = pid;
    return ex;
}

template <typename Row> bool Contains(const std::vector<Row>& rows, const Row& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
}

const uint32_t kSelf = static_cast<uint32_t>(::getpid());

TEST(LinuxIpHelperSocketTest, ListenerAppearsInBothTcpTables) {
    const UniqueFd listener = Listener();
    ASSERT_TRUE(listener);
    const TcpRow want{2, kLoopback, LocalPort(listener.Get()), 0, 0};
    LinuxIpHelper ip("/proc");

    std::vector<TcpRow> basic;
    ASSERT_EQ(ip.GetTcpTable(basic), kErrorSuccess);
    EXPECT_TRUE(Contains(basic, want));

    std::vector<TcpExRow> ex;
    ASSERT_EQ(ip.GetTcpExTable(ex), kErrorSuccess);
    EXPECT_TRUE(Contains(ex, WithPid(want, kSelf)));
}

TEST(LinuxIpHelperSocketTest, EstablishedPairShowsBothEnds) {
    Pair pair;
    ASSERT_TRUE(pair.Open());
    LinuxIpHelper ip("/proc");

    std::vector<TcpRow> basic;
    ASSERT_EQ(ip.GetTcpTable(basic), kErrorSuccess);
    EXPECT_TRUE(Contains(basic, pair.ClientTuple(kTcpStateEstablished)));
    EXPECT_TRUE(Contains(basic, pair.ServerTuple(kTcpStateEstablished)));

    std::vector<TcpExRow> ex;
    ASSERT_EQ(ip.GetTcpExTable(ex), kErrorSuccess);
    EXPECT_TRUE(Contains(ex, WithPid(pair.ClientTuple(kTcpStateEstablished), kSelf)));
    EXPECT_TRUE(Contains(ex, WithPid(pair.ServerTuple(kTcpStateEstablished), kSelf)));

    const auto key = [](const TcpRow& r) {
        return std::make_tuple(ntohl(r.localAddr), ntohs(static_cast<uint16_t>(r.localPort)),
                               ntohl(r.remoteAddr), ntohs(static_cast<uint16_t>(r.remotePort)));
    };
    const auto byKey = [&](const TcpRow& a, const TcpRow& b) { return key(a) < key(b); };
    EXPECT_TRUE(std::is_sorted(basic.begin(), basic.end(), byKey));
    EXPECT_TRUE(std::is_sorted(ex.begin(), ex.end(), byKey));
}

TEST(LinuxIpHelperSocketTest, BoundUdpSocketAppearsInBothUdpTables) {
    const UniqueFd udp = Bound(SOCK_DGRAM);
    ASSERT_TRUE(udp);
    const UdpRow want{kLoopback, LocalPort(udp.Get())};
    LinuxIpHelper ip("/proc");

    std::vector<UdpRow> basic;
    ASSERT_EQ(ip.GetUdpTable(basic), kErrorSuccess);
    EXPECT_TRUE(Contains(basic, want));

    std::vector<UdpExRow> ex;
    ASSERT_EQ(ip.GetUdpExTable(ex), kErrorSuccess);
    UdpExRow wantEx;
    static_cast<UdpRow&>(wantEx) = want;
    wantEx.pid = kSelf;
    EXPECT_TRUE(Contains(ex, wantEx));
}

TEST(LinuxIpHelperSocketTest, OneViewWalksTheProcessesOnceForOwnersAndNamesANewViewAfresh) {
    LinuxSystem system;
    const SystemView view = system.OpenView();
    ASSERT_TRUE(view);
    std::vector<UdpExRow> udp;
    ASSERT_EQ(view.ipHelper->GetUdpExTable(udp), kErrorSuccess);

    // Opened after the view learned the owners: the same view does not see its owner yet.
    const UniqueFd listener = Listener();
    ASSERT_TRUE(listener);
    const TcpRow row{2, kLoopback, LocalPort(listener.Get()), 0, 0};
    std::vector<TcpExRow> tcp;
    ASSERT_EQ(view.ipHelper->GetTcpExTable(tcp), kErrorSuccess);
    EXPECT_TRUE(Contains(tcp, WithPid(row, 0)));

    // Nor a process started since: the names come from that same walk.
    int release[2];
    ASSERT_EQ(::pipe2(release, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c;
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    const auto lists = [child](IProcessInfo& processes) {
        std::vector<ProcessEntry> all;
        EXPECT_TRUE(processes.Snapshot(all));
        return std::any_of(all.begin(), all.end(), [child](const ProcessEntry& e) {
            return e.pid == static_cast<uint32_t>(child);
        });
    };
    const bool oldViewLists = lists(*view.processes);
    const SystemView fresh = system.OpenView();
    const bool newViewLists = lists(*fresh.processes);
    ASSERT_EQ(fresh.ipHelper->GetTcpExTable(tcp), kErrorSuccess);
    (void)!::write(release[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    ::close(release[0]);
    ::close(release[1]);

    EXPECT_FALSE(oldViewLists);
    EXPECT_TRUE(newViewLists);
    EXPECT_TRUE(Contains(tcp, WithPid(row, kSelf)));
}

// ---- real sockets on ::1 -----------------------------------------------------------------

sockaddr_in6 Loopback6Addr(uint16_t portNet) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    a.sin6_port = portNet;
    return a;
}

uint16_t LocalPort6(int fd) {
    sockaddr_in6 a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return a.sin6_port;
}

UniqueFd Bound6(int type) {
    UniqueFd fd(::socket(AF_INET6, type | SOCK_CLOEXEC, 0));
    const sockaddr_in6 a = Loopback6Addr(0);
    if (!fd || ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        return UniqueFd();
    }
    return fd;
}

UniqueFd Listener6() {
    UniqueFd fd = Bound6(SOCK_STREAM);
    if (!fd || ::listen(fd.Get(), 8) != 0) {
        return UniqueFd();
    }
    return fd;
}

const Ip6Addr kLoopback6 = Ip6("::1");

struct Pair6 {
    UniqueFd listener, client, server;
    uint16_t serverPort = 0, clientPort = 0;

    bool Open() {
        listener = Listener6();
        client = UniqueFd(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!listener || !client) {
            return false;
        }
        serverPort = LocalPort6(listener.Get());
        const sockaddr_in6 a = Loopback6Addr(serverPort);
        if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
            return false;
        }
        server = UniqueFd(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        clientPort = LocalPort6(client.Get());
        return server.Valid();
    }
    Tcp6Row ClientTuple(uint32_t state) const {
        return {state, kLoopback6, clientPort, kLoopback6, serverPort};
    }
    Tcp6Row ServerTuple(uint32_t state) const {
        return {state, kLoopback6, serverPort, kLoopback6, clientPort};
    }
};

Tcp6ExRow WithPid(const Tcp6Row& row, uint32_t pid) {
    Tcp6ExRow ex;
    static_cast<Tcp6Row&>(ex) = row;
    ex.pid = pid;
    return ex;
}

bool HasIpv6Loopback() {
    return Bound6(SOCK_DGRAM).Valid();
}

TEST(LinuxIpHelperSocket6Test, ListenerPairAndUdpSocketOnLoopbackAppearInTheIpv6Tables) {
    if (!HasIpv6Loopback()) {
        GTEST_SKIP() << "no IPv6 loopback address on this machine";
    }
    const UniqueFd listener = Listener6();
    Pair6 pair;
    ASSERT_TRUE(pair.Open());
    const UniqueFd udp = Bound6(SOCK_DGRAM);
    ASSERT_TRUE(listener && udp);
    const Tcp6Row listening{2, kLoopback6, LocalPort6(listener.Get()), Ip6("::"), 0};
    LinuxIpHelper ip("/proc");

    std::vector<Tcp6Row> basic;
    ASSERT_EQ(ip.GetTcp6Table(basic), kErrorSuccess);
    EXPECT_TRUE(Contains(basic, listening));
    EXPECT_TRUE(Contains(basic, pair.ClientTuple(kTcpStateEstablished)));
    EXPECT_TRUE(Contains(basic, pair.ServerTuple(kTcpStateEstablished)));

    std::vector<Tcp6ExRow> ex;
    ASSERT_EQ(ip.GetTcp6ExTable(ex), kErrorSuccess);
    EXPECT_TRUE(Contains(ex, WithPid(listening, kSelf)));
    EXPECT_TRUE(Contains(ex, WithPid(pair.ClientTuple(kTcpStateEstablished), kSelf)));
    EXPECT_TRUE(Contains(ex, WithPid(pair.ServerTuple(kTcpStateEstablished), kSelf)));
    // None of them is in the IPv4 table.
    std::vector<TcpExRow> ex4;
    ASSERT_EQ(ip.GetTcpExTable(ex4), kErrorSuccess);
    EXPECT_FALSE(std::any_of(ex4.begin(), ex4.end(), [&](const TcpExRow& r) {
        return r.localPort == listening.localPort && r.state == 2;
    }));

    const Udp6Row wantUdp{kLoopback6, LocalPort6(udp.Get())};
    std::vector<Udp6Row> udpBasic;
    ASSERT_EQ(ip.GetUdp6Table(udpBasic), kErrorSuccess);
    EXPECT_TRUE(Contains(udpBasic, wantUdp));
    std::vector<Udp6ExRow> udpEx;
    ASSERT_EQ(ip.GetUdp6ExTable(udpEx), kErrorSuccess);
    Udp6ExRow wantUdpEx;
    static_cast<Udp6Row&>(wantUdpEx) = wantUdp;
    wantUdpEx.pid = kSelf;
    EXPECT_TRUE(Contains(udpEx, wantUdpEx));
}

TEST(LinuxIpHelperSocket6Test, DualStackListenerListsItsIpv4ClientAsAMappedAddress) {
    if (!HasIpv6Loopback()) {
        GTEST_SKIP() << "no IPv6 loopback address on this machine";
    }
    UniqueFd listener(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int off = 0;
    ::setsockopt(listener.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::listen(listener.Get(), 4), 0);
    const uint16_t port = LocalPort6(listener.Get());
    UniqueFd client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in to = LoopbackAddr(port);
    ASSERT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    const UniqueFd server(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(server);
    const uint16_t clientPort = LocalPort(client.Get());
    const Ip6Addr mapped = Ip6("::ffff:127.0.0.1");
    LinuxIpHelper ip("/proc");

    std::vector<Tcp6ExRow> ex6;
    ASSERT_EQ(ip.GetTcp6ExTable(ex6), kErrorSuccess);
    EXPECT_TRUE(Contains(ex6, WithPid(Tcp6Row{2, Ip6("::"), port, Ip6("::"), 0}, kSelf)));
    EXPECT_TRUE(Contains(ex6, WithPid(Tcp6Row{5, mapped, port, mapped, clientPort}, kSelf)));
    std::vector<TcpExRow> ex4;
    ASSERT_EQ(ip.GetTcpExTable(ex4), kErrorSuccess);
    EXPECT_TRUE(Contains(ex4, WithPid(TcpRow{5, kLoopback, clientPort, kLoopback, port}, kSelf)));
}

// ---- sock_diag unavailable --------------------------------------------------------------

#if defined(__x86_64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr uint32_t kAuditArch = 0;
#endif

// From now on socket(AF_NETLINK, ...) fails with EPROTONOSUPPORT in this process.
bool RefuseNetlinkSockets() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPROTONOSUPPORT),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog prog{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

TEST(LinuxIpHelperUnavailableTest, ExtendedReadsFailWithTheCodeWhilePlainOnesWork) {
    if (kAuditArch == 0) {
        GTEST_SKIP() << "no seccomp architecture constant for this machine";
    }
    // The child reports one digit per call: 0 success, 1 the expected failure, 9 otherwise.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char report[9] = "99999999";
        if (RefuseNetlinkSockets()) {
            LinuxIpHelper ip("/proc");
            std::vector<TcpExRow> tcpEx{{}};
            std::vector<UdpExRow> udpEx;
            std::vector<TcpRow> tcp;
            std::vector<UdpRow> udp;
            report[0] = ip.GetTcpExTable(tcpEx) == kErrorNotSupported ? '1' : '9';
            report[1] = ip.GetUdpExTable(udpEx) == kErrorNotSupported ? '1' : '9';
            report[2] = ip.GetTcpTable(tcp) == kErrorSuccess ? '0' : '9';
            report[3] = ip.GetUdpTable(udp) == kErrorSuccess ? '0' : '9';
            std::vector<Tcp6ExRow> tcp6Ex{{}};
            std::vector<Udp6ExRow> udp6Ex;
            std::vector<Tcp6Row> tcp6;
            std::vector<Udp6Row> udp6;
            report[4] = ip.GetTcp6ExTable(tcp6Ex) == kErrorNotSupported ? '1' : '9';
            report[5] = ip.GetUdp6ExTable(udp6Ex) == kErrorNotSupported ? '1' : '9';
            report[6] = ip.GetTcp6Table(tcp6) == kErrorSuccess ? '0' : '9';
            report[7] = ip.GetUdp6Table(udp6) == kErrorSuccess ? '0' : '9';
        }
        (void)!::write(out[1], report, 8);
        ::_exit(0);
    }
    ::close(out[1]);
    char report[9] = {};
    const ssize_t got = ::read(out[0], report, 8);
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_EQ(got, 8);
    // The IPv6 plain tables exist wherever the kernel has IPv6.
    const bool ipv6 = ::access("/proc/net/tcp6", R_OK) == 0;
    EXPECT_STREQ(report, ipv6 ? "11001100" : "11001199");
}

// ---- deleting a connection ---------------------------------------------------------------

bool HasNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    return ::syscall(SYS_capget, &header, data) == 0 &&
           (data[0].effective & (1u << CAP_NET_ADMIN)) != 0;
}

bool DropNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    data[0].effective &= ~(1u << CAP_NET_ADMIN);
    return ::syscall(SYS_capset, &header, data) == 0;
}

// The error a socket reports once its connection is gone, waiting up to two seconds.
int ErrorWhenReading(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) {
        return 0;
    }
    char c;
    return ::recv(fd, &c, 1, MSG_DONTWAIT) < 0 ? errno : 0;
}

TEST(LinuxIpHelperDeleteTest, RowMustAskForDeletion) {
    Pair pair;
    ASSERT_TRUE(pair.Open());
    LinuxIpHelper ip("/proc");
    EXPECT_EQ(ip.SetTcpEntry(pair.ClientTuple(kTcpStateEstablished)), kErrorInvalidParameter);
    EXPECT_EQ(ip.SetTcpEntry(pair.ClientTuple(0)), kErrorInvalidParameter);
    EXPECT_EQ(::send(pair.client.Get(), "x", 1, MSG_NOSIGNAL), 1); // still connected
}

TEST(LinuxIpHelperDeleteTest, DestroysARealConnection) {
    if (!HasNetAdmin()) {
        GTEST_SKIP() << "needs CAP_NET_ADMIN";
    }
    Pair pair;
    ASSERT_TRUE(pair.Open());
    LinuxIpHelper ip("/proc");
    const uint32_t result = ip.SetTcpEntry(pair.ClientTuple(kTcpStateDeleteTcb));
    if (result == kErrorNotSupported) {
        GTEST_SKIP() << "kernel without SOCK_DESTROY";
    }
    ASSERT_EQ(result, kErrorSuccess);
    const int peerError = ErrorWhenReading(pair.server.Get());
    EXPECT_TRUE(peerError == ECONNRESET || peerError == ECONNABORTED) << peerError;
    EXPECT_EQ(ErrorWhenReading(pair.client.Get()), ECONNABORTED);

    std::vector<TcpRow> rows;
    ASSERT_EQ(ip.GetTcpTable(rows), kErrorSuccess);
    EXPECT_FALSE(Contains(rows, pair.ClientTuple(kTcpStateEstablished)));
    // Gone now: deleting it again names no socket.
    EXPECT_EQ(ip.SetTcpEntry(pair.ClientTuple(kTcpStateDeleteTcb)), kErrorFileNotFound);
}

TEST(LinuxIpHelperDeleteTest, MissingTupleIsAnErrorCode) {
    const UniqueFd unused = Bound(SOCK_STREAM); // a port that no connection uses
    ASSERT_TRUE(unused);
    LinuxIpHelper ip("/proc");
    const uint32_t result = ip.SetTcpEntry(
        {kTcpStateDeleteTcb, kLoopback, LocalPort(unused.Get()), kLoopback, htons(9)});
    EXPECT_NE(result, kErrorSuccess);
    EXPECT_NE(result, 1u);
    if (HasNetAdmin()) {
        EXPECT_EQ(result, kErrorFileNotFound);
    }
}

TEST(LinuxIpHelperDeleteTest, WithoutNetAdminAccessIsDenied) {
    Pair pair;
    ASSERT_TRUE(pair.Open());
    // The attempt runs in a child without the capability; its exit status is the result.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!DropNetAdmin()) {
            ::_exit(255);
        }
        LinuxIpHelper ip("/proc");
        ::_exit(static_cast<int>(ip.SetTcpEntry(pair.ClientTuple(kTcpStateDeleteTcb))));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 255) << "could not drop CAP_NET_ADMIN";
    if (WEXITSTATUS(status) == static_cast<int>(kErrorNotSupported)) {
        GTEST_SKIP() << "kernel without SOCK_DESTROY";
    }
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(kErrorAccessDenied));
    // The connection survived.
    ASSERT_EQ(::send(pair.client.Get(), "x", 1, MSG_NOSIGNAL), 1);
    char c = 0;
    EXPECT_EQ(::recv(pair.server.Get(), &c, 1, 0), 1);
}

TEST(LinuxIpHelperDeleteTest, DestroysARealIpv6Connection) {
    if (!HasNetAdmin()) {
        GTEST_SKIP() << "needs CAP_NET_ADMIN";
    }
    if (!HasIpv6Loopback()) {
        GTEST_SKIP() << "no IPv6 loopback address on this machine";
    }
    Pair6 pair;
    ASSERT_TRUE(pair.Open());
    LinuxIpHelper ip("/proc");
    EXPECT_EQ(ip.SetTcp6Entry(pair.ClientTuple(kTcpStateEstablished)), kErrorInvalidParameter);
    const uint32_t result = ip.SetTcp6Entry(pair.ClientTuple(kTcpStateDeleteTcb));
    if (result == kErrorNotSupported) {
        GTEST_SKIP() << "kernel without SOCK_DESTROY";
    }
    ASSERT_EQ(result, kErrorSuccess);
    const int peerError = ErrorWhenReading(pair.server.Get());
    EXPECT_TRUE(peerError == ECONNRESET || peerError == ECONNABORTED) << peerError;
    EXPECT_EQ(ErrorWhenReading(pair.client.Get()), ECONNABORTED);
    EXPECT_EQ(ip.SetTcp6Entry(pair.ClientTuple(kTcpStateDeleteTcb)), kErrorFileNotFound);
}

} // namespace
} // namespace hl
