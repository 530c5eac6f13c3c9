#include "inventory/Tcp6Table.h"
#include "inventory/TcpTable.h"
#include "platform/fake/FakeMessageBox.h"
#include "platform/fake/FakeSystem.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace hl {
namespace {

uint32_t Addr(const char* dotted) {
    return inet_addr(dotted);
}
uint32_t Port(uint16_t port) {
    return htons(port);
}

class CloseConnection : public ::testing::Test {
protected:
    FakeSystem system;
    FakeMessageBox boxes;
    CaptureTraceSink trace;

    bool Close(const char* remote, uint16_t localPort) {
        auto ip = std::move(system.OpenView().ipHelper);
        CTcpTable table(*ip, system.processes, trace, &boxes);
        return table.CloseConnection(Addr(remote), Port(localPort));
    }
    std::string LastBox() const {
        auto all = boxes.Boxes();
        return all.empty() ? "" : all.back().text;
    }
};

TEST_F(CloseConnection, TwoFieldsDeleteTheFirstEstablishedMatchInTableOrder) {
    system.ip.tcp = {
        {2, Addr("0.0.0.0"), Port(8080), Addr("0.0.0.0"), 0},            // listening
        {8, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(4000)}, // close wait
        {5, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5001)}, // first match
        {5, Addr("10.0.0.3"), Port(8080), Addr("10.0.0.9"), Port(5002)}, // second match
    };
    EXPECT_TRUE(Close("10.0.0.9", 8080));

    ASSERT_EQ(system.ip.DeletedRows().size(), 1u);
    const TcpRow expected{12, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5001)};
    EXPECT_EQ(system.ip.DeletedRows()[0], expected);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Connection closed succesfully");
    EXPECT_EQ(boxes.Boxes()[0].title, "Harborlight Scanner");
    EXPECT_EQ(boxes.Boxes()[0].icon, MessageIcon::Information);
}

TEST_F(CloseConnection, FourFieldsDeleteExactlyTheNamedConnection) {
    system.ip.tcp = {
        {5, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5001)},
        {5, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5002)},
        {5, Addr("10.0.0.3"), Port(8080), Addr("10.0.0.9"), Port(5002)},
        {8, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5003)}, // close wait
    };
    auto close = [&](const char* local, uint16_t remotePort) {
        auto ip = std::move(system.OpenView().ipHelper);
        CTcpTable table(*ip, system.processes, trace, &boxes);
        return table.CloseConnection(Addr("10.0.0.9"), Port(8080), Addr(local), Port(remotePort));
    };
    EXPECT_TRUE(close("10.0.0.2", 5002));
    EXPECT_EQ(LastBox(), "Connection closed succesfully");
    EXPECT_TRUE(close("10.0.0.3", 5002));
    for (const auto& [local, remotePort] :
         {std::pair{"10.0.0.2", 5003}, std::pair{"10.0.0.2", 5004}, std::pair{"10.0.0.4", 5001}}) {
        EXPECT_FALSE(close(local, static_cast<uint16_t>(remotePort))) << local << " " << remotePort;
        EXPECT_EQ(LastBox(), "Error closing connection");
    }
    const std::vector<TcpRow> expected = {
        {12, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5002)},
        {12, Addr("10.0.0.3"), Port(8080), Addr("10.0.0.9"), Port(5002)},
    };
    EXPECT_EQ(system.ip.DeletedRows(), expected);
}

TEST_F(CloseConnection, TwoFieldsMatchOnlyStateLocalPortAndRemoteAddress) {
    struct Case {
        const char* name;
        TcpRow row;
    };
    const Case cases[] = {
        {"listen", {2, Addr("1.1.1.1"), Port(80), Addr("9.9.9.9"), Port(1)}},
        {"timeWait", {11, Addr("1.1.1.1"), Port(80), Addr("9.9.9.9"), Port(1)}},
        {"closeWait", {8, Addr("1.1.1.1"), Port(80), Addr("9.9.9.9"), Port(1)}},
        {"otherPort", {5, Addr("1.1.1.1"), Port(81), Addr("9.9.9.9"), Port(1)}},
        {"otherRemote", {5, Addr("1.1.1.1"), Port(80), Addr("9.9.9.8"), Port(1)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        system.ip.tcp = {c.row};
        EXPECT_FALSE(Close("9.9.9.9", 80));
        EXPECT_EQ(LastBox(), "Error closing connection");
    }
    EXPECT_TRUE(system.ip.DeletedRows().empty());
}

TEST_F(CloseConnection, RefusalAndUnreadableTableGiveTheErrorBox) {
    system.ip.tcp = {{5, Addr("1.1.1.1"), Port(80), Addr("9.9.9.9"), Port(1)}};
    system.ip.setTcpEntryResult = 5;
    EXPECT_FALSE(Close("9.9.9.9", 80));
    EXPECT_EQ(LastBox(), "Error closing connection");

    system.ip.setTcpEntryResult = 0;
    system.ip.tcpError = 8;
    EXPECT_FALSE(Close("9.9.9.9", 80));
    EXPECT_EQ(LastBox(), "Error closing connection");
    EXPECT_EQ(system.ip.DeletedRows().size(), 1u); // only the refused attempt
}

TEST_F(CloseConnection, FindConnectionZeroesItsOutputsWhenNothingMatches) {
    system.ip.tcp = {{5, Addr("1.1.1.1"), Port(80), Addr("9.9.9.9"), Port(1234)}};
    auto ip = std::move(system.OpenView().ipHelper);
    CTcpTable table(*ip, system.processes, trace);
    uint32_t local = 77, remotePort = 77;
    EXPECT_TRUE(table.FindConnection(Addr("9.9.9.9"), Port(80), local, remotePort));
    EXPECT_EQ(local, Addr("1.1.1.1"));
    EXPECT_EQ(remotePort, Port(1234));
    EXPECT_FALSE(table.FindConnection(Addr("9.9.9.9"), Port(0), local, remotePort));
    EXPECT_EQ(local, 0u);
    EXPECT_EQ(remotePort, 0u);
}

// ---- IPv6 -----------------------------------------------------------------------------------

Ip6Addr Ip6(const char* text, uint32_t scope = 0) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    a.scopeId = scope;
    return a;
}

TEST_F(CloseConnection, Ipv6ClosesTheEstablishedConnectionByRemoteAddressAndLocalPort) {
    system.ip.tcp6 = {
        {2, Ip6("::"), Port(8080), Ip6("::"), 0},
        {5, Ip6("::1"), Port(8080), Ip6("::ffff:10.0.0.9"), Port(5000)}, // IPv4-mapped
        {5, Ip6("2001:db8::2"), Port(8080), Ip6("2001:db8::9"), Port(5001)},
        {5, Ip6("2001:db8::2"), Port(8080), Ip6("2001:db8::9"), Port(5002)},
        {5, Ip6("fe80::2"), Port(22), Ip6("fe80::9"), Port(6000)}, // no scope in the table
    };
    // An IPv4 row of the same numbers is not an IPv6 one.
    system.ip.tcp = {{5, Addr("10.0.0.2"), Port(8080), Addr("10.0.0.9"), Port(5000)}};
    auto close = [&](const Ip6Addr& remote, uint16_t localPort) {
        auto ip = std::move(system.OpenView().ipHelper);
        CTcp6Table table(*ip, system.processes, trace, &boxes);
        return table.CloseConnection(remote, Port(localPort));
    };
    EXPECT_TRUE(close(Ip6("2001:db8::9"), 8080));
    EXPECT_EQ(LastBox(), "Connection closed succesfully");
    EXPECT_TRUE(close(Ip6("::ffff:10.0.0.9"), 8080));
    EXPECT_TRUE(close(Ip6("fe80::9", 3), 22));
    EXPECT_FALSE(close(Ip6("2001:db8::10"), 8080));
    EXPECT_EQ(LastBox(), "Error closing connection");
    EXPECT_FALSE(close(Ip6("::"), 8080)); // only the listener has this remote address

    const std::vector<Tcp6Row> expected = {
        {12, Ip6("2001:db8::2"), Port(8080), Ip6("2001:db8::9"), Port(5001)},
        {12, Ip6("::1"), Port(8080), Ip6("::ffff:10.0.0.9"), Port(5000)},
        // The scope of the row's text goes with the close of a link-local pair.
        {12, Ip6("fe80::2", 3), Port(22), Ip6("fe80::9", 3), Port(6000)},
    };
    EXPECT_EQ(system.ip.Deleted6Rows(), expected);
    EXPECT_TRUE(system.ip.DeletedRows().empty());
}

TEST_F(CloseConnection, Ipv6FourFieldsDeleteExactlyTheNamedConnectionAndRefusalIsAnError) {
    system.ip.tcp6 = {
        {5, Ip6("::1"), Port(8080), Ip6("::1"), Port(5001)},
        {5, Ip6("::1"), Port(8080), Ip6("::1"), Port(5002)},
    };
    auto close = [&](uint16_t remotePort) {
        auto ip = std::move(system.OpenView().ipHelper);
        CTcp6Table table(*ip, system.processes, trace, &boxes);
        return table.CloseConnection(Ip6("::1"), Port(8080), Ip6("::1"), Port(remotePort));
    };
    EXPECT_TRUE(close(5002));
    EXPECT_FALSE(close(5003));
    EXPECT_EQ(LastBox(), "Error closing connection");
    system.ip.setTcpEntryResult = 5;
    EXPECT_FALSE(close(5001));
    EXPECT_EQ(LastBox(), "Error closing connection");
    const std::vector<Tcp6Row> expected = {
        {12, Ip6("::1"), Port(8080), Ip6("::1"), Port(5002)},
        {12, Ip6("::1"), Port(8080), Ip6("::1"), Port(5001)},
    };
    EXPECT_EQ(system.ip.Deleted6Rows(), expected);
}

} // namespace
} // namespace hl
