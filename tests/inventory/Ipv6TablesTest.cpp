#include "inventory/MemoryList.h"
#include "inventory/RowFormat.h"
#include "inventory/TableFill.h"
#include "platform/fake/FakeSystem.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

namespace hl {
namespace {

uint32_t Port(uint16_t port) {
    return htons(port);
}

Ip6Addr Ip6(const char* text, uint32_t scope = 0) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    a.scopeId = scope;
    return a;
}

TcpExRow Tcp4(uint32_t state, const char* local, uint16_t lport, const char* remote, uint16_t rport,
              uint32_t pid) {
    TcpExRow row;
    static_cast<TcpRow&>(row) = {state, inet_addr(local), Port(lport), inet_addr(remote),
                                 Port(rport)};
    row.pid = pid;
    return row;
}

Tcp6ExRow Tcp6(uint32_t state, Ip6Addr local, uint16_t lport, Ip6Addr remote, uint16_t rport,
               uint32_t pid) {
    Tcp6ExRow row;
    static_cast<Tcp6Row&>(row) = {state, local, Port(lport), remote, Port(rport)};
    row.pid = pid;
    return row;
}

UdpExRow Udp4(const char* local, uint16_t lport, uint32_t pid) {
    UdpExRow row;
    static_cast<UdpRow&>(row) = {inet_addr(local), Port(lport)};
    row.pid = pid;
    return row;
}

Udp6ExRow Udp6(Ip6Addr local, uint16_t lport, uint32_t pid) {
    Udp6ExRow row;
    static_cast<Udp6Row&>(row) = {local, Port(lport)};
    row.pid = pid;
    return row;
}

struct Fill {
    FakeSystem system;
    MemoryList list;
    CaptureTraceSink trace;

    Fill() { system.processes.processes = {{7, "web"}, {8, "dns"}}; }
    void Run(int32_t showTcp = 1, int32_t showUdp = 1) {
        auto ip = std::move(system.OpenView().ipHelper);
        FillTables(list, *ip, system.processes, trace, showTcp, showUdp);
    }
    std::vector<std::string> Column(int col) const {
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) {
            out.push_back(row.cells[col]);
        }
        return out;
    }
    void SetIpv6Errors(uint32_t code) {
        system.ip.tcp6ExError = system.ip.udp6ExError = code;
        system.ip.tcp6Error = system.ip.udp6Error = code;
    }
};

// Two rows of every table, told apart by their local ports.
void ScriptAllFourTables(FakeIpHelper& ip) {
    ip.tcpEx = {Tcp4(2, "0.0.0.0", 41, "0.0.0.0", 0, 7),
                Tcp4(5, "127.0.0.1", 42, "127.0.0.1", 9000, 7)};
    ip.tcp6Ex = {Tcp6(2, Ip6("::"), 61, Ip6("::"), 0, 7),
                 Tcp6(5, Ip6("::1"), 62, Ip6("::ffff:10.0.0.1"), 443, 7)};
    ip.udpEx = {Udp4("0.0.0.0", 43, 8), Udp4("127.0.0.1", 44, 8)};
    ip.udp6Ex = {Udp6(Ip6("::"), 63, 8), Udp6(Ip6("::1"), 64, 8)};
}

TEST(Ipv6Tables, ListReadsTcpTcpv6UdpUdpv6EachInReverseTableOrder) {
    Fill f;
    ScriptAllFourTables(f.system.ip);
    f.Run();

    EXPECT_EQ(f.Column(kColLocalPort),
              (std::vector<std::string>{"42", "41", "62", "61", "44", "43", "64", "63"}));
    EXPECT_EQ(f.Column(kColProtocol), (std::vector<std::string>{"TCP", "TCP", "TCPv6", "TCPv6",
                                                                "UDP", "UDP", "UDPv6", "UDPv6"}));
    const auto rows = f.list.Rows();
    EXPECT_EQ(rows[2].cells, (RowTexts{"TCPv6", "7", "web", "::1", "62", "::ffff:10.0.0.1", "443",
                                       "ESTABLISHED"}));
    EXPECT_EQ(rows[3].cells, (RowTexts{"TCPv6", "7", "web", "::", "61", "::", "0", "LISTEN"}));
    EXPECT_EQ(rows[6].cells, (RowTexts{"UDPv6", "8", "dns", "::1", "64", "", "", ""}));
    // The images of their IPv4 kin.
    EXPECT_EQ(rows[2].image, rows[0].image);
    EXPECT_EQ(rows[6].image, rows[4].image);
    EXPECT_NE(rows[0].image, rows[4].image);

    // UDPv6 is read first: its trace lines come before those of UDP.
    EXPECT_EQ(f.trace.Text(), "\n UDPv6 \t8 \tdns  \t:: \t63"
                              "\n UDPv6 \t8 \tdns  \t::1 \t64"
                              "\n UDP \t8 \tdns  \t0.0.0.0 \t43"
                              "\n UDP \t8 \tdns  \t127.0.0.1 \t44");
}

TEST(Ipv6Tables, ShowTcpAndShowUdpGovernBothFamilies) {
    for (const auto& [showTcp, showUdp, want] :
         {std::tuple{1, 0, std::vector<std::string>{"TCP", "TCP", "TCPv6", "TCPv6"}},
          std::tuple{0, 1, std::vector<std::string>{"UDP", "UDP", "UDPv6", "UDPv6"}},
          std::tuple{2, 0, std::vector<std::string>{}}}) {
        Fill f;
        ScriptAllFourTables(f.system.ip);
        f.Run(showTcp, showUdp);
        EXPECT_EQ(f.Column(kColProtocol), want) << showTcp << " " << showUdp;
    }
}

TEST(Ipv6Tables, WithoutIpv6TablesTheIpv4RowsAndTraceAreExactlyAsBefore) {
    const auto script = [](Fill& f) {
        ScriptAllFourTables(f.system.ip);
        f.system.ip.tcpExError = 50; // the TCP rows from the plain table, with trace lines
        f.system.ip.tcp = {{5, inet_addr("127.0.0.1"), Port(42), inet_addr("10.0.0.9"), Port(1)}};
    };
    Fill before;
    script(before);
    before.SetIpv6Errors(2);
    before.Run();

    const auto rows = before.list.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells, (RowTexts{"TCP", "", "", "127.0.0.1", "", "", "", ""}));
    EXPECT_EQ(rows[1].cells, (RowTexts{"UDP", "8", "dns", "127.0.0.1", "44", "", "", ""}));
    EXPECT_EQ(rows[2].cells, (RowTexts{"UDP", "8", "dns", "0.0.0.0", "43", "", "", ""}));
    EXPECT_EQ(before.trace.Text(), "\n UDP \t8 \tdns  \t0.0.0.0 \t43"
                                   "\n UDP \t8 \tdns  \t127.0.0.1 \t44"
                                   "\n TCP\t127.0.0.1 " +
                                       std::string(8, ' ') + "\t 42 \t\t10.0.0.9" +
                                       std::string(9, ' ') + "\t 1\t\tESTABLISHED");

    // Empty IPv6 tables give the same list and trace as missing ones.
    Fill empty;
    script(empty);
    empty.system.ip.tcp6Ex.clear();
    empty.system.ip.udp6Ex.clear();
    empty.SetIpv6Errors(0);
    empty.Run();
    EXPECT_EQ(empty.list.Rows().size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(empty.list.Rows()[i].cells, rows[i].cells);
    }
    EXPECT_EQ(empty.trace.Text(), before.trace.Text());
}

TEST(Ipv6Tables, EachIpv6TableFallsBackToItsPlainFormOnItsOwn) {
    Fill f;
    ScriptAllFourTables(f.system.ip);
    f.system.ip.tcp6ExError = 50;
    f.system.ip.udp6ExError = 50;
    f.system.ip.tcp6 = {{5, Ip6("::1"), Port(8080), Ip6("2001:db8:1234:5678::1"), Port(443)}};
    f.system.ip.udp6 = {{Ip6("::"), Port(5353)}};
    f.Run();

    EXPECT_EQ(f.Column(kColProtocol),
              (std::vector<std::string>{"TCP", "TCP", "TCPv6", "UDP", "UDP"}));
    const auto rows = f.list.Rows();
    EXPECT_EQ(rows[2].cells, (RowTexts{"TCPv6", "", "", "::1", "", "", "", ""}));
    EXPECT_EQ(rows[2].image, kNoImage);
    // The IPv4 layout: "::1" has 3 characters, 14 fill blanks; an address of more than 16
    // characters gets none.
    const std::string trace = f.trace.Text();
    EXPECT_EQ(trace.substr(0, std::string("\n UDPv6 \t:: \t5353").size()), "\n UDPv6 \t:: \t5353");
    const std::string tcp6 = "\n TCPv6\t::1 " + std::string(14, ' ') +
                             "\t 8080 \t\t2001:db8:1234:5678::1\t 443\t\tESTABLISHED";
    EXPECT_NE(trace.find(tcp6), std::string::npos) << trace;
}

TEST(Ipv6Tables, AddressTextsAreTheCompressedFormWithTheZone) {
    char lo[IF_NAMESIZE] = {};
    const uint32_t loIndex = if_nametoindex("lo");
    ASSERT_NE(if_indextoname(loIndex, lo), nullptr);
    const struct {
        Ip6Addr addr;
        std::string text;
    } cases[] = {
        {Ip6("::"), "::"},
        {Ip6("::1"), "::1"},
        {Ip6("::ffff:192.168.0.1"), "::ffff:192.168.0.1"},
        {Ip6("2001:0db8:0000:0000:0000:0000:0000:0001"), "2001:db8::1"},
        {Ip6("fe80::1", loIndex), "fe80::1%" + std::string(lo)},
        // An interface that is gone: its number stands for its name.
        {Ip6("fe80::1", 999999), "fe80::1%999999"},
        {Ip6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"), "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatAddress(c.addr), c.text);
    }
}

} // namespace
} // namespace hl
