#include "platform/linux/ProcNetParser.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <string>

namespace hl {
namespace {

uint32_t Ip(const char* text) {
    return inet_addr(text);
}
uint32_t Port(uint16_t host) {
    return htons(host);
}

TEST(TcpStateFromLinuxTest, MapsEveryLinuxStateToTheTableNumbering) {
    const std::pair<uint32_t, uint32_t> cases[] = {
        {1, 5},  // ESTABLISHED
        {2, 3},  // SYN_SENT
        {3, 4},  // SYN_RECV
        {4, 6},  // FIN_WAIT1
        {5, 7},  // FIN_WAIT2
        {6, 11}, // TIME_WAIT
        {7, 1},  // CLOSE
        {8, 8},  // CLOSE_WAIT
        {9, 10}, // LAST_ACK
        {10, 2}, // LISTEN
        {11, 9}, // CLOSING
        {12, 4}, // NEW_SYN_RECV
        {0, 0},  {13, 0}, {255, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& [linuxState, table] : cases) {
        EXPECT_EQ(TcpStateFromLinux(linuxState), table) << "linux state " << linuxState;
    }
}

constexpr const char* kTail = " 00000000:00000000 00:00000000 00000000     0        0 4242 1 "
                              "0000000000000000 100 0 0 10 0";

struct TcpLineCase {
    const char* name;
    std::string line;
    std::optional<TcpRow> row; // nullopt: the line is skipped
};

TcpRow Row(uint32_t state, const char* la, uint16_t lp, const char* ra, uint16_t rp) {
    return TcpRow{state, Ip(la), Port(lp), Ip(ra), Port(rp)};
}

class TcpLineTest : public testing::TestWithParam<TcpLineCase> {};

TEST_P(TcpLineTest, ParsesOrSkipsOneLine) {
    const auto rows = ParseProcNetTcp(GetParam().line);
    if (GetParam().row) {
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], *GetParam().row);
    } else {
        EXPECT_TRUE(rows.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TcpLineTest,
    testing::Values(
        TcpLineCase{"Listener", std::string("   0: 0100007F:1F90 00000000:0000 0A") + kTail,
                    Row(2, "127.0.0.1", 8080, "0.0.0.0", 0)},
        TcpLineCase{"Established", std::string("  17: 0100007F:9C40 0200007F:0050 01") + kTail,
                    Row(5, "127.0.0.1", 40000, "127.0.0.2", 80)},
        TcpLineCase{"LowercaseHex", std::string("1: 0a00a8c0:ffff 01020304:0001 06") + kTail,
                    Row(11, "192.168.0.10", 65535, "4.3.2.1", 1)},
        TcpLineCase{"NewSynRecv", std::string("2: 0100007F:0016 0100007F:D431 0C") + kTail,
                    Row(4, "127.0.0.1", 22, "127.0.0.1", 54321)},
        TcpLineCase{"UnknownStateKept", std::string("3: 00000000:0001 00000000:0000 0D"),
                    Row(0, "0.0.0.0", 1, "0.0.0.0", 0)},
        TcpLineCase{"NoTailAndCarriageReturn", "4: 0100007F:0050 00000000:0000 0A\r",
                    Row(2, "127.0.0.1", 80, "0.0.0.0", 0)},
        TcpLineCase{"Header", "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when",
                    std::nullopt},
        TcpLineCase{"Empty", "", std::nullopt},
        TcpLineCase{"NoSlotNumber", std::string("0100007F:1F90 00000000:0000 0A") + kTail,
                    std::nullopt},
        TcpLineCase{"ShortAddress", std::string("0: 100007F:1F90 00000000:0000 0A") + kTail,
                    std::nullopt},
        TcpLineCase{"Ipv6Address",
                    std::string("0: 00000000000000000000000001000000:1F90 "
                                "00000000000000000000000000000000:0000 0A") +
                        kTail,
                    std::nullopt},
        TcpLineCase{"PortTooLong", "0: 0100007F:1F900 00000000:0000 0A", std::nullopt},
        TcpLineCase{"NoPort", "0: 0100007F: 00000000:0000 0A", std::nullopt},
        TcpLineCase{"NoColon", "0: 0100007F1F90 00000000:0000 0A", std::nullopt},
        TcpLineCase{"TruncatedAfterLocal", "0: 0100007F:1F90", std::nullopt},
        TcpLineCase{"TruncatedInRemote", "0: 0100007F:1F90 000000", std::nullopt},
        TcpLineCase{"NoState", "0: 0100007F:1F90 00000000:0000 ", std::nullopt},
        TcpLineCase{"StateTooLong", "0: 0100007F:1F90 00000000:0000 00A", std::nullopt},
        TcpLineCase{"NotHex", "0: 0100007G:1F90 00000000:0000 0A", std::nullopt},
        TcpLineCase{"Binary", std::string("0: \x01\xff\0garbage", 13), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcNetParserTest, KeepsFileOrderAndSkipsOnlyBadLines) {
    const std::string text =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
        "   0: 0100007F:0050 00000000:0000 0A 00000000:00000000 00:00000000 00000000 0 0 1\n"
        "   1: garbage\n"
        "\n"
        "   2: 00000000:0016 00000000:0000 0A 00000000:00000000 00:00000000 00000000 0 0 2\n"
        "   3: 0100007F:0050 0100007F:9C40 01"; // last line without its line break
    const auto rows = ParseProcNetTcp(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], Row(2, "127.0.0.1", 80, "0.0.0.0", 0));
    EXPECT_EQ(rows[1], Row(2, "0.0.0.0", 22, "0.0.0.0", 0));
    EXPECT_EQ(rows[2], Row(5, "127.0.0.1", 80, "127.0.0.1", 40000));
}

TEST(ProcNetParserTest, UdpRowsHoldTheLocalEndpointOfEveryValidLine) {
    const std::string text =
        "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
        "  120: 00000000:14E9 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 7\n"
        "  300: 0100007F:0035 0100007F:14E9 01 00000000:00000000 00:00000000 00000000 0 0 8\n"
        "  301: 0100007F:00\n"
        "  302: 0100007F:FFFF 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 9\n";
    const auto rows = ParseProcNetUdp(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (UdpRow{Ip("0.0.0.0"), Port(5353)}));
    EXPECT_EQ(rows[1], (UdpRow{Ip("127.0.0.1"), Port(53)}));
    EXPECT_EQ(rows[2], (UdpRow{Ip("127.0.0.1"), Port(65535)}));
}

// ---- /proc/net/tcp6 and udp6 ----------------------------------------------------------------

Ip6Addr Ip6(const char* text) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    return a;
}

Tcp6Row Row6(uint32_t state, const char* la, uint16_t lp, const char* ra, uint16_t rp) {
    return Tcp6Row{state, Ip6(la), Port(lp), Ip6(ra), Port(rp)};
}

// Addresses as the kernel prints them: each 32-bit word of the network-order address as a
// host number (this machine's byte order is little-endian).
constexpr const char* kAny6 = "00000000000000000000000000000000";
constexpr const char* kLoop6 = "00000000000000000000000001000000";
constexpr const char* kMapped6 = "0000000000000000FFFF00000100007F";    // ::ffff:127.0.0.1
constexpr const char* kLinkLocal6 = "000080FE00000000FF0200000E0000FE"; // fe80::2ff:fe00:e
constexpr const char* kDoc6 = "B80D0120000000000000000001000000";       // 2001:db8::1

std::string Line6(const char* la, const char* lp, const char* ra, const char* rp, const char* st) {
    return std::string("   0: ") + la + ":" + lp + " " + ra + ":" + rp + " " + st + kTail;
}

struct Tcp6LineCase {
    const char* name;
    std::string line;
    std::optional<Tcp6Row> row;
};

class Tcp6LineTest : public testing::TestWithParam<Tcp6LineCase> {};

TEST_P(Tcp6LineTest, ParsesOrSkipsOneLine) {
    const auto rows = ParseProcNetTcp6(GetParam().line);
    if (GetParam().row) {
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], *GetParam().row);
    } else {
        EXPECT_TRUE(rows.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Tcp6LineTest,
    testing::Values(
        Tcp6LineCase{"LoopbackListener", Line6(kLoop6, "1F90", kAny6, "0000", "0A"),
                     Row6(2, "::1", 8080, "::", 0)},
        Tcp6LineCase{"Established", Line6(kLoop6, "9C40", kLoop6, "0050", "01"),
                     Row6(5, "::1", 40000, "::1", 80)},
        Tcp6LineCase{"MappedIpv4StaysIpv6", Line6(kMapped6, "1F90", kMapped6, "D431", "01"),
                     Row6(5, "::ffff:127.0.0.1", 8080, "::ffff:127.0.0.1", 54321)},
        // The file has no scope column: a link-local address comes without one.
        Tcp6LineCase{"LinkLocalWithoutScope", Line6(kLinkLocal6, "0016", kDoc6, "FFFF", "06"),
                     Row6(11, "fe80::2ff:fe00:e", 22, "2001:db8::1", 65535)},
        Tcp6LineCase{"LowercaseHexAndNoTail",
                     "1: 0000000000000000ffff00000100007f:0050 " + std::string(kAny6) + ":0000 0a",
                     Row6(2, "::ffff:127.0.0.1", 80, "::", 0)},
        Tcp6LineCase{"Ipv4AddressIsNotOurs", "0: 0100007F:1F90 00000000:0000 0A", std::nullopt},
        Tcp6LineCase{"AddressOneDigitShort",
                     Line6("0000000000000000000000000100000", "1F90", kAny6, "0000", "0A"),
                     std::nullopt},
        Tcp6LineCase{"AddressOneDigitLong",
                     Line6("000000000000000000000000010000000", "1F90", kAny6, "0000", "0A"),
                     std::nullopt},
        Tcp6LineCase{"NotHexInTheThirdWord",
                     Line6("0000000000000000G000000001000000", "1F90", kAny6, "0000", "0A"),
                     std::nullopt},
        Tcp6LineCase{"TruncatedInRemote", "0: " + std::string(kLoop6) + ":1F90 0000000000000000",
                     std::nullopt},
        Tcp6LineCase{"NoState", "0: " + std::string(kLoop6) + ":1F90 " + kAny6 + ":0000",
                     std::nullopt},
        Tcp6LineCase{"Header",
                     "  sl  local_address                         remote_address          st",
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcNetParserTest, Udp6RowsKeepFileOrderAndSkipBadLines) {
    const std::string text =
        "  sl  local_address                         remote_address                        st\n" +
        Line6(kAny6, "14E9", kAny6, "0000", "07") + "\n" +
        Line6(kLoop6, "0035", kLoop6, "14E9", "01") + "\n" + "  5: " + kLoop6 + ":00\n" +
        Line6(kLinkLocal6, "0222", kAny6, "0000", "07") + "\n" +
        "  7: 0100007F:0035 00000000:0000 07\n" + Line6(kMapped6, "FFFF", kAny6, "0000", "07");
    const auto rows = ParseProcNetUdp6(text);
    const std::vector<Udp6Row> want = {
        {Ip6("::"), Port(5353)},
        {Ip6("::1"), Port(53)},
        {Ip6("fe80::2ff:fe00:e"), Port(546)},
        {Ip6("::ffff:127.0.0.1"), Port(65535)},
    };
    EXPECT_EQ(rows, want);
}

} // namespace
} // namespace hl
