// Closing real loopback connections through the kernel. Closing needs CAP_NET_ADMIN; the
// tests that need it say so and skip without it.

#include "WorkerTestSupport.h"
#include "platform/UniqueFd.h"
#include "platform/fake/FakeMessageBox.h"
#include "platform/linux/LinuxSystem.h"
#include "workers/KillStarter.h"
#include "workers/RefreshStarter.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace hl {
namespace {

using namespace test;

constexpr const char* kClosed = "Connection closed succesfully";
constexpr const char* kError = "Error closing connection";

// Capabilities are a property of each thread; a worker thread starts with its creator's.
struct Caps {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
};

std::optional<Caps> GetCaps() {
    Caps caps;
    if (::syscall(SYS_capget, &caps.header, caps.data) != 0) {
        return std::nullopt;
    }
    return caps;
}

bool SetCaps(Caps caps) {
    return ::syscall(SYS_capset, &caps.header, caps.data) == 0;
}

bool HasNetAdmin() {
    auto caps = GetCaps();
    return caps && (caps->data[0].effective & (1u << CAP_NET_ADMIN)) != 0;
}

constexpr const char* kNoNetAdmin =
    "closing a connection needs CAP_NET_ADMIN, which this process lacks (run as root)";

#define REQUIRE_NET_ADMIN()                                                                        \
    do {                                                                                           \
        if (!HasNetAdmin()) {                                                                      \
            GTEST_SKIP() << kNoNetAdmin;                                                           \
        }                                                                                          \
    } while (false)

// Takes CAP_NET_ADMIN out of the calling thread's effective set while it lives.
class WithoutNetAdmin {
public:
    WithoutNetAdmin() : m_saved(GetCaps()) {
        if (m_saved) {
            Caps dropped = *m_saved;
            dropped.data[0].effective &= ~(1u << CAP_NET_ADMIN);
            m_dropped = SetCaps(dropped);
        }
    }
    ~WithoutNetAdmin() {
        if (m_dropped) {
            SetCaps(*m_saved);
        }
    }
    bool Dropped() const { return m_dropped && !HasNetAdmin(); }

private:
    std::optional<Caps> m_saved;
    bool m_dropped = false;
};

uint16_t LocalPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

uint16_t PeerPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

void BoundReceives(int fd) {
    timeval timeout{60, 0}; // generous: a loaded machine may take its time to deliver the reset
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

UniqueFd Listen() {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd.Get(), 8) != 0) {
        return UniqueFd();
    }
    return fd;
}

// One established loopback connection: the client end and the end the listener accepted.
struct Connection {
    UniqueFd client;
    UniqueFd server;
    uint16_t clientPort = 0;
};

Connection Connect(int listener) {
    Connection c;
    c.client = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(LocalPort(listener));
    if (!c.client ||
        ::connect(c.client.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        return {};
    }
    c.server = UniqueFd(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    c.clientPort = LocalPort(c.client.Get());
    BoundReceives(c.client.Get());
    BoundReceives(c.server.Get());
    return c;
}

// The errno a receive ends with, 0 when a byte arrived or the peer closed in order.
int ReceiveError(int fd) {
    char byte;
    return ::recv(fd, &byte, 1, 0) < 0 ? errno : 0;
}

bool StillConnected(const Connection& c) {
    char byte = 'x';
    return ::send(c.client.Get(), &byte, 1, MSG_NOSIGNAL) == 1 &&
           ::recv(c.server.Get(), &byte, 1, 0) == 1;
}

// The state of a loopback connection in the plain TCP table, waiting for it to reach
// `state` (the table numbering).
bool ReachesState(uint16_t localPort, uint32_t remoteAddr, uint32_t state) {
    LinuxSystem system;
    return Eventually(
        [&] {
            std::vector<TcpRow> rows;
            if (system.OpenView().ipHelper->GetTcpTable(rows) != 0) {
                return false;
            }
            for (const TcpRow& row : rows) {
                if ((row.localPort & 0xFFFF) == htons(localPort) && row.remoteAddr == remoteAddr &&
                    row.state == state) {
                    return true;
                }
            }
            return false;
        },
        5s);
}

struct Closer {
    std::shared_ptr<LinuxSystem> system = std::make_shared<LinuxSystem>();
    std::shared_ptr<MemoryList> list = std::make_shared<MemoryList>();
    std::shared_ptr<FakeMessageBox> boxes = std::make_shared<FakeMessageBox>();

    WorkerContext Context() { return {system, std::make_shared<CaptureTraceSink>(), list, boxes}; }
    // Runs one close worker to its end; the text of its box.
    std::string Close(const std::string& remote, const std::string& port, int item,
                      const std::string& local = "", const std::string& remotePort = "") {
        const size_t before = boxes->Boxes().size();
        KillStarter starter(Context());
        if (!starter.Start(remote, port, local, remotePort, item) || !AllWorkersEnded()) {
            return "worker did not run";
        }
        const auto shown = boxes->Boxes();
        return shown.size() == before + 1 ? shown.back().text : "no single box";
    }
    void AddRow(const std::string& localPort, const std::string& remote,
                const std::string& local = "", const std::string& remotePort = "") {
        RowTexts cells;
        cells[kColProtocol] = "TCP";
        cells[kColLocalAddress] = local;
        cells[kColLocalPort] = localPort;
        cells[kColRemoteAddress] = remote;
        cells[kColRemotePort] = remotePort;
        list->InsertFilledItem(cells, 0);
    }
    std::vector<RowTexts> Rows() const {
        std::vector<RowTexts> rows;
        for (const auto& row : list->Rows()) {
            rows.push_back(row.cells);
        }
        return rows;
    }
};

TEST(KillReal, ClosesAnEstablishedLoopbackConnectionAndRemovesExactlyItsRow) {
    REQUIRE_NET_ADMIN();
    UniqueFd listener = Listen();
    ASSERT_TRUE(listener);
    Connection c = Connect(listener.Get());
    ASSERT_TRUE(c.server);
    const std::string clientPort = std::to_string(c.clientPort);
    const std::string serverPort = std::to_string(LocalPort(listener.Get()));

    Closer closer;
    RefreshStarter refresh(closer.Context());
    ASSERT_TRUE(refresh.Start(1, 0));
    ASSERT_TRUE(AllWorkersEnded());
    auto before = closer.Rows();
    int item = -1;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i][kColLocalPort] == clientPort && before[i][kColRemoteAddress] == "127.0.0.1" &&
            before[i][kColRemotePort] == serverPort) {
            item = static_cast<int>(i);
        }
    }
    ASSERT_GE(item, 0) << "the refresh did not list the test's connection";
    EXPECT_EQ(before[item][kColState], "ESTABLISHED");
    EXPECT_EQ(before[item][kColPid], std::to_string(::getpid()));

    EXPECT_EQ(closer.Close("127.0.0.1", clientPort, item, "127.0.0.1", serverPort), kClosed);
    before.erase(before.begin() + item);
    EXPECT_EQ(closer.Rows(), before);
    EXPECT_EQ(ReceiveError(c.client.Get()), ECONNABORTED);
    EXPECT_EQ(ReceiveError(c.server.Get()), ECONNRESET);
}

// An established connection on ::1, or none when the machine has no IPv6 loopback address.
std::optional<Connection> ConnectIpv6(UniqueFd& listener, uint16_t& serverPort) {
    listener = UniqueFd(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_addr = in6addr_loopback;
    socklen_t len = sizeof addr;
    if (!listener || ::bind(listener.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listener.Get(), 4) != 0 ||
        ::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return std::nullopt;
    }
    serverPort = ntohs(addr.sin6_port);
    Connection c;
    c.client = UniqueFd(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!c.client || ::connect(c.client.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        return std::nullopt;
    }
    c.server = UniqueFd(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    sockaddr_in6 local{};
    len = sizeof local;
    ::getsockname(c.client.Get(), reinterpret_cast<sockaddr*>(&local), &len);
    c.clientPort = ntohs(local.sin6_port);
    BoundReceives(c.client.Get());
    BoundReceives(c.server.Get());
    return c;
}

TEST(KillReal, ClosesAnEstablishedIpv6LoopbackConnectionAndRemovesExactlyItsRow) {
    REQUIRE_NET_ADMIN();
    UniqueFd listener;
    uint16_t serverPortNumber = 0;
    std::optional<Connection> c = ConnectIpv6(listener, serverPortNumber);
    if (!c) {
        GTEST_SKIP() << "no IPv6 loopback address on this machine";
    }
    const std::string clientPort = std::to_string(c->clientPort);
    const std::string serverPort = std::to_string(serverPortNumber);

    Closer closer;
    RefreshStarter refresh(closer.Context());
    ASSERT_TRUE(refresh.Start(1, 0));
    ASSERT_TRUE(AllWorkersEnded());
    auto before = closer.Rows();
    int item = -1;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i][kColLocalPort] == clientPort && before[i][kColRemotePort] == serverPort) {
            item = static_cast<int>(i);
        }
    }
    ASSERT_GE(item, 0) << "the refresh did not list the test's connection";
    EXPECT_EQ(before[item][kColProtocol], "TCPv6");
    EXPECT_EQ(before[item][kColLocalAddress], "::1");
    EXPECT_EQ(before[item][kColRemoteAddress], "::1");
    EXPECT_EQ(before[item][kColPid], std::to_string(::getpid()));

    EXPECT_EQ(closer.Close("::1", clientPort, item, "::1", serverPort), kClosed);
    before.erase(before.begin() + item);
    EXPECT_EQ(closer.Rows(), before);
    EXPECT_EQ(ReceiveError(c->client.Get()), ECONNABORTED);
    EXPECT_EQ(ReceiveError(c->server.Get()), ECONNRESET);
}

TEST(KillReal, OfTwoConnectionsSharingRemoteAddressAndLocalPortExactlyTheNamedOneIsClosed) {
    REQUIRE_NET_ADMIN();
    UniqueFd listener = Listen();
    ASSERT_TRUE(listener);
    Connection a = Connect(listener.Get());
    Connection b = Connect(listener.Get());
    ASSERT_TRUE(a.server && b.server);
    // Both accepted ends have the listener's port and 127.0.0.1 as their remote address; the
    // table orders them by remote port, so the second one is what a two-field match misses.
    Connection& first = PeerPort(a.server.Get()) < PeerPort(b.server.Get()) ? a : b;
    Connection& second = &first == &a ? b : a;

    Closer closer;
    const std::string port = std::to_string(LocalPort(listener.Get()));
    const std::string firstPort = std::to_string(PeerPort(first.server.Get()));
    const std::string secondPort = std::to_string(PeerPort(second.server.Get()));
    closer.AddRow(port, "127.0.0.1", "127.0.0.1", secondPort);
    closer.AddRow(port, "127.0.0.1", "127.0.0.1", firstPort);
    EXPECT_EQ(closer.Close("127.0.0.1", port, 1, "127.0.0.1", secondPort), kClosed);
    ASSERT_EQ(closer.list->GetItemCount(), 1);
    EXPECT_EQ(closer.list->GetItemText(0, kColRemotePort), firstPort);
    EXPECT_EQ(ReceiveError(second.server.Get()), ECONNABORTED);
    EXPECT_TRUE(StillConnected(first));
}

// A caller that names only the remote address and the local port: the first such connection
// is closed. The listener sits on a random address of 127/8, so that on a busy machine no other
// program's connection shares the client end's two fields.
TEST(KillReal, ARemoteAddressAndLocalPortAloneCloseTheirConnection) {
    REQUIRE_NET_ADMIN();
    std::random_device random;
    // 127.0.0.2 - 127.255.255.254: never the client end's own address 127.0.0.1.
    const uint32_t address = (127u << 24) | (2u + random() % 0xFFFFFDu);
    UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(address);
    socklen_t len = sizeof addr;
    ASSERT_TRUE(listener);
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(listener.Get(), 4), 0);
    ASSERT_EQ(::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&addr), &len), 0);
    Connection c;
    c.client = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(c.client);
    ASSERT_EQ(::connect(c.client.Get(), reinterpret_cast<sockaddr*>(&addr), len), 0);
    c.server = UniqueFd(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    ASSERT_TRUE(c.server);
    BoundReceives(c.client.Get());
    BoundReceives(c.server.Get());
    char text[INET_ADDRSTRLEN] = {};
    ASSERT_NE(::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text), nullptr);
    const std::string remote = text;
    const std::string port = std::to_string(LocalPort(c.client.Get()));

    Closer closer;
    closer.AddRow("1", "127.0.0.1");
    closer.AddRow(port, remote);
    EXPECT_EQ(closer.Close(remote, port, 0), kClosed) << remote << ":" << port;
    ASSERT_EQ(closer.list->GetItemCount(), 1);
    EXPECT_EQ(closer.list->GetItemText(0, kColLocalPort), "1");
    EXPECT_EQ(ReceiveError(c.client.Get()), ECONNABORTED);
    EXPECT_EQ(ReceiveError(c.server.Get()), ECONNRESET);
}

TEST(KillReal, ConnectionsThatAreNotEstablishedOrNotNamedGiveTheErrorBoxAndRemoveNothing) {
    REQUIRE_NET_ADMIN();
    const uint32_t loopback = htonl(INADDR_LOOPBACK);
    UniqueFd listener = Listen();
    UniqueFd otherListener = Listen();
    ASSERT_TRUE(listener && otherListener);
    const uint16_t listenPort = LocalPort(listener.Get());
    const uint16_t otherPort = LocalPort(otherListener.Get());

    Connection live = Connect(listener.Get());
    Connection timeWait = Connect(listener.Get());
    Connection closeWait = Connect(otherListener.Get());
    ASSERT_TRUE(live.server && timeWait.server && closeWait.server);
    timeWait.client.Reset(); // the side that closes first ends in TIME_WAIT
    timeWait.server.Reset();
    closeWait.client.Reset(); // the side left open waits in CLOSE_WAIT
    ASSERT_TRUE(ReachesState(timeWait.clientPort, loopback, 11));
    ASSERT_TRUE(ReachesState(otherPort, loopback, 8));

    // All four fields, as the command gives them: on a busy machine another program's
    // connection may share a remote address and local port with one of these.
    struct Case {
        const char* name;
        std::string remote;
        std::string port;
        std::string remotePort;
    };
    const std::string lp = std::to_string(listenPort);
    const Case cases[] = {
        {"listening", "0.0.0.0", lp, "0"},
        {"TIME_WAIT", "127.0.0.1", std::to_string(timeWait.clientPort), lp},
        {"CLOSE_WAIT", "127.0.0.1", std::to_string(otherPort),
         std::to_string(closeWait.clientPort)},
        {"invalid address", "not.an.address", std::to_string(live.clientPort), lp},
        {"empty local port", "127.0.0.1", "", lp},
    };
    Closer closer;
    for (const Case& c : cases) {
        closer.AddRow(c.port, c.remote, "127.0.0.1", c.remotePort);
    }
    const auto rows = closer.Rows();
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(closer.Close(c.remote, c.port, static_cast<int>(std::size(cases)) - 1 - i,
                               "127.0.0.1", c.remotePort),
                  kError)
            << c.name;
    }
    EXPECT_EQ(closer.Rows(), rows);
    EXPECT_TRUE(StillConnected(live));
    EXPECT_TRUE(ReachesState(otherPort, loopback, 8)) << "the CLOSE_WAIT end was closed";
}

// Runs with or without the capability: the worker starts without it either way.
TEST(KillReal, KernelRefusalWithoutNetAdminGivesTheErrorBoxAndKeepsTheRow) {
    UniqueFd listener = Listen();
    ASSERT_TRUE(listener);
    Connection c = Connect(listener.Get());
    ASSERT_TRUE(c.server);
    Closer closer;
    const std::string port = std::to_string(c.clientPort);
    closer.AddRow(port, "127.0.0.1");

    std::string box;
    {
        WithoutNetAdmin dropped;
        ASSERT_TRUE(dropped.Dropped()) << "could not drop CAP_NET_ADMIN";
        box = closer.Close("127.0.0.1", port, 0);
    }
    EXPECT_EQ(box, kError);
    EXPECT_EQ(closer.list->GetItemCount(), 1);
    EXPECT_TRUE(StillConnected(c));
}

} // namespace
} // namespace hl
