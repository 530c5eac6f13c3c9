#include "platform/linux/SockDiagParser.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <net/if.h>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace hl {
namespace {

using Bytes = std::vector<std::byte>;

void Append(Bytes& out, const void* data, size_t size) {
    const size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, data, size);
}

// One netlink message; `len` overrides the length field, the payload is padded to 4 bytes.
Bytes Message(uint16_t type, const Bytes& payload, std::optional<uint32_t> len = std::nullopt) {
    nlmsghdr hdr{};
    hdr.nlmsg_len = len.value_or(static_cast<uint32_t>(NLMSG_HDRLEN + payload.size()));
    hdr.nlmsg_type = type;
    Bytes out;
    Append(out, &hdr, sizeof hdr);
    out.insert(out.end(), payload.begin(), payload.end());
    out.resize(NLMSG_ALIGN(out.size()));
    return out;
}

Bytes DiagPayload(uint8_t linuxState, const char* src, uint16_t sport, const char* dst,
                  uint16_t dport, uint32_t inode, uint8_t family = AF_INET) {
    inet_diag_msg msg{};
    msg.idiag_family = family;
    msg.idiag_state = linuxState;
    msg.id.idiag_sport = htons(sport);
    msg.id.idiag_dport = htons(dport);
    msg.id.idiag_src[0] = inet_addr(src);
    msg.id.idiag_dst[0] = inet_addr(dst);
    msg.idiag_inode = inode;
    Bytes out;
    Append(out, &msg, sizeof msg);
    return out;
}

Bytes Diag(uint8_t linuxState, const char* src, uint16_t sport, const char* dst, uint16_t dport,
           uint32_t inode) {
    return Message(SOCK_DIAG_BY_FAMILY, DiagPayload(linuxState, src, sport, dst, dport, inode));
}

Bytes ErrorPayload(int negErrno) {
    nlmsgerr err{};
    err.error = negErrno;
    Bytes out;
    Append(out, &err, sizeof err);
    return out;
}

Bytes Done() {
    return Message(NLMSG_DONE, Bytes(4));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// The first n bytes, copied, so a sanitizer build sees any read beyond them.
Bytes Prefix(const Bytes& bytes, size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
}

DiagSocket Sock(uint32_t state, const char* src, uint16_t sport, const char* dst, uint16_t dport,
                uint32_t inode) {
    return DiagSocket{state, inet_addr(src), htons(sport), inet_addr(dst), htons(dport), inode};
}

struct ReplyCase {
    const char* name;
    Bytes bytes;
    DiagStatus status;
    int error;
    std::vector<DiagSocket> rows;
};

class SockDiagReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(SockDiagReplyTest, DecodesOneBuffer) {
    const ReplyCase& c = GetParam();
    std::vector<DiagSocket> rows;
    const DiagParseResult r = ParseSockDiagReply(c.bytes, rows);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(rows, c.rows);
}

const Bytes kListener = Diag(10, "127.0.0.1", 8080, "0.0.0.0", 0, 777);
const DiagSocket kListenerRow = Sock(2, "127.0.0.1", 8080, "0.0.0.0", 0, 777);

INSTANTIATE_TEST_SUITE_P(
    Replies, SockDiagReplyTest,
    testing::Values(
        ReplyCase{"Empty", {}, DiagStatus::NeedMore, 0, {}},
        ReplyCase{"DoneOnly", Done(), DiagStatus::Done, 0, {}},
        ReplyCase{"RowsThenDone",
                  Cat({kListener, Diag(1, "127.0.0.1", 40000, "127.0.0.2", 443, 778),
                       Diag(6, "10.0.0.1", 65535, "10.0.0.2", 1, 0), Done()}),
                  DiagStatus::Done,
                  0,
                  {kListenerRow, Sock(5, "127.0.0.1", 40000, "127.0.0.2", 443, 778),
                   Sock(11, "10.0.0.1", 65535, "10.0.0.2", 1, 0)}},
        ReplyCase{"RowsWithoutDoneNeedMore", kListener, DiagStatus::NeedMore, 0, {kListenerRow}},
        ReplyCase{"NothingReadAfterDone", Cat({Done(), kListener}), DiagStatus::Done, 0, {}},
        ReplyCase{"ErrorPermission",
                  Message(NLMSG_ERROR, ErrorPayload(-EPERM)),
                  DiagStatus::Error,
                  EPERM,
                  {}},
        ReplyCase{"ErrorAfterRows",
                  Cat({kListener, Message(NLMSG_ERROR, ErrorPayload(-ENOENT))}),
                  DiagStatus::Error,
                  ENOENT,
                  {kListenerRow}},
        ReplyCase{"ErrorTooShortForItsCode",
                  Message(NLMSG_ERROR, Bytes(2)),
                  DiagStatus::Error,
                  EPROTO,
                  {}},
        ReplyCase{"ErrorCodeWithoutPositiveCounterpart",
                  Message(NLMSG_ERROR, ErrorPayload(std::numeric_limits<int>::min())),
                  DiagStatus::Error,
                  EPROTO,
                  {}},
        ReplyCase{"AcknowledgementIsNoDumpAnswer",
                  Message(NLMSG_ERROR, ErrorPayload(0)),
                  DiagStatus::Error,
                  EPROTO,
                  {}},
        ReplyCase{"PayloadTooShortSkipped",
                  Cat({Message(SOCK_DIAG_BY_FAMILY, Bytes(sizeof(inet_diag_msg) - 1)), kListener,
                       Done()}),
                  DiagStatus::Done,
                  0,
                  {kListenerRow}},
        ReplyCase{"OtherFamilySkipped",
                  Cat({Message(SOCK_DIAG_BY_FAMILY,
                               DiagPayload(1, "1.2.3.4", 1, "5.6.7.8", 2, 9, AF_INET6)),
                       kListener, Done()}),
                  DiagStatus::Done,
                  0,
                  {kListenerRow}},
        ReplyCase{"OtherTypeSkipped",
                  Cat({Message(NLMSG_NOOP, Bytes(8)), kListener, Done()}),
                  DiagStatus::Done,
                  0,
                  {kListenerRow}},
        ReplyCase{"TrailingAttributesIgnored",
                  Cat({Message(SOCK_DIAG_BY_FAMILY,
                               Cat({DiagPayload(10, "127.0.0.1", 8080, "0.0.0.0", 0, 777),
                                    Bytes(40, std::byte{0x5A})})),
                       Done()}),
                  DiagStatus::Done,
                  0,
                  {kListenerRow}},
        ReplyCase{"LengthBelowHeaderStops",
                  Cat({kListener, Message(SOCK_DIAG_BY_FAMILY, Bytes(8), 8), kListener, Done()}),
                  DiagStatus::NeedMore,
                  0,
                  {kListenerRow}},
        ReplyCase{"LengthPastBufferStops",
                  Cat({kListener, Message(SOCK_DIAG_BY_FAMILY, Bytes(8), 4096)}),
                  DiagStatus::NeedMore,
                  0,
                  {kListenerRow}},
        ReplyCase{"HalfAHeader", Bytes(10), DiagStatus::NeedMore, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SockDiagParserTest, NeverReadsPastATruncatedBuffer) {
    // Every prefix of a well-formed reply: complete messages give rows, the cut one none.
    const Bytes full = Cat({kListener, kListener, kListener, Done()});
    const size_t msgSize = kListener.size();
    for (size_t len = 0; len < full.size(); ++len) {
        const Bytes cut = Prefix(full, len);
        std::vector<DiagSocket> rows;
        const DiagParseResult r = ParseSockDiagReply(cut, rows);
        EXPECT_EQ(r.status, DiagStatus::NeedMore) << "length " << len;
        EXPECT_EQ(rows.size(), std::min<size_t>(len / msgSize, 3)) << "length " << len;
    }
}

// A recorded reply: each datagram as a 4-byte native length followed by its bytes.
std::vector<Bytes> LoadDump(const std::string& name) {
    std::ifstream in(std::string(HL_FIXTURES_DIR) + "/netlink/" + name, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Bytes> datagrams;
    for (size_t off = 0; off + 4 <= all.size();) {
        uint32_t len = 0;
        std::memcpy(&len, all.data() + off, 4);
        off += 4;
        if (len > all.size() - off) {
            break;
        }
        const auto* p = reinterpret_cast<const std::byte*>(all.data() + off);
        datagrams.emplace_back(p, p + len);
        off += len;
    }
    return datagrams;
}

// Replays datagrams as the client reads them: until one of them ends the dump.
DiagParseResult Replay(const std::vector<Bytes>& datagrams, std::vector<DiagSocket>& rows,
                       size_t& used) {
    DiagParseResult r;
    for (used = 0; used < datagrams.size();) {
        r = ParseSockDiagReply(datagrams[used++], rows);
        if (r.status != DiagStatus::NeedMore) {
            break;
        }
    }
    return r;
}

bool Has(const std::vector<DiagSocket>& rows, const DiagSocket& want, bool anyInode) {
    return std::any_of(rows.begin(), rows.end(), [&](const DiagSocket& s) {
        DiagSocket probe = s;
        if (anyInode) {
            probe.inode = want.inode;
        }
        return probe == want && (!anyInode || s.inode != 0);
    });
}

// The recorder (RecordSockDiag.cpp) ran in a network namespace of its own, so these dumps
// hold exactly the sockets it describes.
TEST(SockDiagRecordedTest, TcpDumpOverSeveralDatagrams) {
    const auto datagrams = LoadDump("tcp.dump");
    ASSERT_GT(datagrams.size(), 2u);
    std::vector<DiagSocket> rows;
    size_t used = 0;
    const DiagParseResult r = Replay(datagrams, rows, used);
    EXPECT_EQ(r.status, DiagStatus::Done);
    EXPECT_EQ(used, datagrams.size());
    ASSERT_EQ(rows.size(), 405u);

    EXPECT_TRUE(Has(rows, Sock(2, "127.0.0.1", 5000, "0.0.0.0", 0, 0), true));
    // The client of the dual-stack listener; its server side is in the IPv6 dump.
    EXPECT_TRUE(Has(rows, Sock(5, "127.0.0.1", 40002, "127.0.0.1", 5001, 0), true));
    EXPECT_TRUE(Has(rows, Sock(5, "127.0.0.1", 40000, "127.0.0.1", 5000, 0), true));
    EXPECT_TRUE(Has(rows, Sock(5, "127.0.0.1", 5000, "127.0.0.1", 40000, 0), true));
    // TIME_WAIT sockets have no inode.
    EXPECT_TRUE(Has(rows, Sock(11, "127.0.0.1", 40001, "127.0.0.1", 5000, 0), false));
    const auto listeners = std::count_if(rows.begin(), rows.end(), [](const DiagSocket& s) {
        const uint16_t port = ntohs(static_cast<uint16_t>(s.localPort));
        return s.state == 2 && s.localAddr == inet_addr("127.0.0.2") && port >= 6000 &&
               port < 6400 && s.inode != 0;
    });
    EXPECT_EQ(listeners, 400);
}

TEST(SockDiagRecordedTest, UdpDump) {
    const auto datagrams = LoadDump("udp.dump");
    std::vector<DiagSocket> rows;
    size_t used = 0;
    EXPECT_EQ(Replay(datagrams, rows, used).status, DiagStatus::Done);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(Has(rows, Sock(1, "127.0.0.1", 5353, "0.0.0.0", 0, 0), true));
    EXPECT_TRUE(Has(rows, Sock(5, "127.0.0.1", 5354, "127.0.0.1", 5353, 0), true));
}

TEST(SockDiagRecordedTest, TruncatedRecordedDatagramKeepsItsCompleteMessages) {
    const auto datagrams = LoadDump("tcp.dump");
    ASSERT_FALSE(datagrams.empty());
    std::vector<DiagSocket> whole;
    ParseSockDiagReply(datagrams[0], whole);
    ASSERT_GT(whole.size(), 10u);
    // Cut the datagram in the middle of its sixth message.
    size_t sixth = 0;
    for (int i = 0; i < 5; ++i) {
        nlmsghdr hdr;
        std::memcpy(&hdr, datagrams[0].data() + sixth, sizeof hdr);
        sixth += NLMSG_ALIGN(hdr.nlmsg_len);
    }
    const Bytes cut = Prefix(datagrams[0], sixth + 30);
    std::vector<DiagSocket> rows;
    EXPECT_EQ(ParseSockDiagReply(cut, rows).status, DiagStatus::NeedMore);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), whole.begin()));
}

// ---- IPv6 ----------------------------------------------------------------------------------

Ip6Addr Ip6(const char* text, uint32_t scope = 0) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    a.scopeId = scope;
    return a;
}

Bytes Diag6(uint8_t linuxState, const char* src, uint16_t sport, const char* dst, uint16_t dport,
            uint32_t inode, uint32_t ifIndex = 0) {
    inet_diag_msg msg{};
    msg.idiag_family = AF_INET6;
    msg.idiag_state = linuxState;
    msg.id.idiag_sport = htons(sport);
    msg.id.idiag_dport = htons(dport);
    inet_pton(AF_INET6, src, msg.id.idiag_src);
    inet_pton(AF_INET6, dst, msg.id.idiag_dst);
    msg.id.idiag_if = ifIndex;
    msg.idiag_inode = inode;
    Bytes payload;
    Append(payload, &msg, sizeof msg);
    return Message(SOCK_DIAG_BY_FAMILY, payload);
}

DiagSocket6 Sock6(uint32_t state, Ip6Addr src, uint16_t sport, Ip6Addr dst, uint16_t dport,
                  uint32_t inode) {
    return DiagSocket6{state, src, htons(sport), dst, htons(dport), inode};
}

TEST(SockDiagParser6Test, DecodesIpv6SocketsAndSkipsIpv4Ones) {
    const Bytes reply =
        Cat({Diag6(10, "::1", 8080, "::", 0, 7), kListener,
             Diag6(1, "::ffff:127.0.0.1", 5001, "::ffff:127.0.0.1", 40002, 8),
             // The interface index is the scope of a link-local address only.
             Diag6(1, "fe80::1", 22, "fe80::2", 50000, 9, 3), Diag6(10, "::", 53, "::", 0, 10, 3),
             Diag6(7, "2001:db8::1", 1, "ff02::fb", 5353, 0, 2), Done()});
    std::vector<DiagSocket6> rows;
    const DiagParseResult r = ParseSockDiagReply(reply, rows);
    EXPECT_EQ(r.status, DiagStatus::Done);
    const std::vector<DiagSocket6> want = {
        Sock6(2, Ip6("::1"), 8080, Ip6("::"), 0, 7),
        Sock6(5, Ip6("::ffff:127.0.0.1"), 5001, Ip6("::ffff:127.0.0.1"), 40002, 8),
        Sock6(5, Ip6("fe80::1", 3), 22, Ip6("fe80::2", 3), 50000, 9),
        Sock6(2, Ip6("::"), 53, Ip6("::"), 0, 10),
        Sock6(1, Ip6("2001:db8::1"), 1, Ip6("ff02::fb", 2), 5353, 0),
    };
    EXPECT_EQ(rows, want);

    // And the IPv4 parse of the same reply keeps its one IPv4 socket.
    std::vector<DiagSocket> rows4;
    ParseSockDiagReply(reply, rows4);
    EXPECT_EQ(rows4, std::vector<DiagSocket>{kListenerRow});
}

bool Has6(const std::vector<DiagSocket6>& rows, const DiagSocket6& want) {
    return std::any_of(rows.begin(), rows.end(), [&](const DiagSocket6& s) {
        DiagSocket6 probe = s;
        probe.inode = want.inode;
        return probe == want && s.inode != 0;
    });
}

std::vector<DiagSocket6> ReplayAll6(const std::vector<Bytes>& datagrams, DiagStatus& status) {
    std::vector<DiagSocket6> rows;
    status = DiagStatus::NeedMore;
    for (const Bytes& d : datagrams) {
        status = ParseSockDiagReply(d, rows).status;
        if (status != DiagStatus::NeedMore) {
            break;
        }
    }
    return rows;
}

TEST(SockDiagRecordedTest, Tcp6DumpOverSeveralDatagrams) {
    const auto datagrams = LoadDump("tcp6.dump");
    ASSERT_GT(datagrams.size(), 2u);
    DiagStatus status;
    const auto rows = ReplayAll6(datagrams, status);
    EXPECT_EQ(status, DiagStatus::Done);
    // The listener and both ends of the pair, the TIME_WAIT socket, 400 listeners, the
    // dual-stack listener and its accepted socket, the link-local listener.
    ASSERT_EQ(rows.size(), 407u);
    const Ip6Addr loop = Ip6("::1"), any = Ip6("::");
    EXPECT_TRUE(Has6(rows, Sock6(2, loop, 5000, any, 0, 0)));
    EXPECT_TRUE(Has6(rows, Sock6(5, loop, 40000, loop, 5000, 0)));
    EXPECT_TRUE(Has6(rows, Sock6(5, loop, 5000, loop, 40000, 0)));
    EXPECT_TRUE(Has6(rows, Sock6(2, any, 5001, any, 0, 0)));
    const Ip6Addr mapped = Ip6("::ffff:127.0.0.1");
    EXPECT_TRUE(Has6(rows, Sock6(5, mapped, 5001, mapped, 40002, 0)));
    const uint32_t lo = if_nametoindex("lo"); // 1 in every network namespace
    EXPECT_TRUE(Has6(rows, Sock6(2, Ip6("fe80::1", lo), 5002, any, 0, 0)));
    const auto timeWait = std::count_if(rows.begin(), rows.end(), [&](const DiagSocket6& s) {
        return s.state == 11 && s.localAddr == loop && s.localPort == htons(40001) && s.inode == 0;
    });
    EXPECT_EQ(timeWait, 1);
    const auto listeners = std::count_if(rows.begin(), rows.end(), [&](const DiagSocket6& s) {
        const uint16_t port = ntohs(static_cast<uint16_t>(s.localPort));
        return s.state == 2 && s.localAddr == loop && port >= 6000 && port < 6400;
    });
    EXPECT_EQ(listeners, 400);
}

TEST(SockDiagRecordedTest, Udp6Dump) {
    DiagStatus status;
    const auto rows = ReplayAll6(LoadDump("udp6.dump"), status);
    EXPECT_EQ(status, DiagStatus::Done);
    const Ip6Addr loop = Ip6("::1"), any = Ip6("::");
    const std::vector<DiagSocket6> want = {
        Sock6(1, loop, 5353, any, 0, 0),
        Sock6(5, loop, 5354, loop, 5353, 0),
        Sock6(1, Ip6("fe80::1", if_nametoindex("lo")), 5355, any, 0, 0),
    };
    ASSERT_EQ(rows.size(), want.size());
    for (const DiagSocket6& w : want) {
        EXPECT_TRUE(Has6(rows, w)) << ntohs(static_cast<uint16_t>(w.localPort));
    }
}

TEST(SockDiagRecordedTest, Ipv6DatagramsCutAtEveryLengthKeepTheirCompleteMessages) {
    for (const char* name : {"tcp6.dump", "udp6.dump"}) {
        const auto datagrams = LoadDump(name);
        ASSERT_FALSE(datagrams.empty()) << name;
        const Bytes& first = datagrams[0];
        std::vector<DiagSocket6> whole;
        ParseSockDiagReply(first, whole);
        for (size_t len = 0; len < first.size(); ++len) {
            std::vector<DiagSocket6> rows;
            const DiagParseResult r = ParseSockDiagReply(Prefix(first, len), rows);
            ASSERT_NE(r.status, DiagStatus::Error) << name << " length " << len;
            ASSERT_LE(rows.size(), whole.size()) << name << " length " << len;
            ASSERT_TRUE(std::equal(rows.begin(), rows.end(), whole.begin()))
                << name << " length " << len;
        }
    }
}

struct AckCase {
    const char* name;
    Bytes bytes;
    int result;
};

class NetlinkAckTest : public testing::TestWithParam<AckCase> {};

TEST_P(NetlinkAckTest, FindsTheFirstErrorMessage) {
    EXPECT_EQ(ParseNetlinkAck(GetParam().bytes), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Acks, NetlinkAckTest,
    testing::Values(
        AckCase{"Acknowledged", Message(NLMSG_ERROR, ErrorPayload(0)), 0},
        AckCase{"NoSuchSocket", Message(NLMSG_ERROR, ErrorPayload(-ENOENT)), ENOENT},
        AckCase{"NotPermitted",
                Cat({Message(NLMSG_NOOP, {}), Message(NLMSG_ERROR, ErrorPayload(-EPERM))}), EPERM},
        AckCase{"ShortErrorPayload", Message(NLMSG_ERROR, Bytes(3)), EPROTO},
        AckCase{"LowestCode", Message(NLMSG_ERROR, ErrorPayload(std::numeric_limits<int>::min())),
                EPROTO},
        AckCase{"NoErrorMessage", Done(), -1}, AckCase{"Empty", {}, -1},
        AckCase{"TruncatedError", Prefix(Message(NLMSG_ERROR, ErrorPayload(0)), 18), -1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace hl
