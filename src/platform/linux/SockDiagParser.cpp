#include "platform/linux/SockDiagParser.h"

#include "platform/linux/ProcNetParser.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <optional>
#include <sys/socket.h>

namespace hl {
namespace {

static_assert(NLMSG_HDRLEN == sizeof(nlmsghdr));

// Walks the messages of a buffer; fn(header, payload) returns false to stop.
template <typename Fn> void ForEachMessage(std::span<const std::byte> bytes, Fn&& fn) {
    size_t off = 0;
    while (bytes.size() - off >= sizeof(nlmsghdr)) {
        nlmsghdr hdr;
        std::memcpy(&hdr, bytes.data() + off, sizeof hdr);
        if (hdr.nlmsg_len < sizeof(nlmsghdr) || hdr.nlmsg_len > bytes.size() - off) {
            return; // a length that cannot be trusted: nothing after it can be found
        }
        // nlmsg_len covers the header, whose size is NLMSG_HDRLEN
        const auto payload = bytes.subspan(off + NLMSG_HDRLEN, hdr.nlmsg_len - NLMSG_HDRLEN);
        if (!fn(hdr, payload)) {
            return;
        }
        const size_t step = NLMSG_ALIGN(hdr.nlmsg_len);
        if (step > bytes.size() - off) {
            return;
        }
        off += step;
    }
}

// The errno value of an NLMSG_ERROR payload; EPROTO when it is too short to hold one, or when
// its code is INT_MIN, which names no errno and has no positive counterpart.
int ErrorOf(std::span<const std::byte> payload) {
    int code = 0;
    if (payload.size() < sizeof code) {
        return EPROTO;
    }
    std::memcpy(&code, payload.data(), sizeof code);
    if (code == std::numeric_limits<int>::min()) {
        return EPROTO;
    }
    return code < 0 ? -code : code;
}

bool IsLinkLocal(const Ip6Addr& a) {
    const bool unicast = a.bytes[0] == 0xFE && (a.bytes[1] & 0xC0) == 0x80;   // fe80::/10
    const bool multicast = a.bytes[0] == 0xFF && (a.bytes[1] & 0x0F) <= 0x02; // ff?1, ff?2
    return unicast || multicast;
}

Ip6Addr Addr6(const __be32 (&words)[4], uint32_t ifIndex) {
    Ip6Addr a;
    std::memcpy(a.bytes.data(), words, a.bytes.size());
    a.scopeId = IsLinkLocal(a) ? ifIndex : 0;
    return a;
}

// Fills s from msg when msg is of s's family.
bool Decode(const inet_diag_msg& msg, DiagSocket& s) {
    if (msg.idiag_family != AF_INET) {
        return false;
    }
    s.localAddr = msg.id.idiag_src[0];
    s.remoteAddr = msg.id.idiag_dst[0];
    return true;
}

bool Decode(const inet_diag_msg& msg, DiagSocket6& s) {
    if (msg.idiag_family != AF_INET6) {
        return false;
    }
    s.localAddr = Addr6(msg.id.idiag_src, msg.id.idiag_if);
    s.remoteAddr = Addr6(msg.id.idiag_dst, msg.id.idiag_if);
    return true;
}

template <typename Socket>
DiagParseResult ParseReply(std::span<const std::byte> bytes, std::vector<Socket>& out) {
    DiagParseResult result;
    ForEachMessage(bytes, [&](const nlmsghdr& hdr, std::span<const std::byte> payload) {
        switch (hdr.nlmsg_type) {
        case NLMSG_DONE:
            result.status = DiagStatus::Done;
            return false;
        case NLMSG_ERROR:
            result.status = DiagStatus::Error;
            result.error = ErrorOf(payload);
            if (result.error == 0) {
                result.error = EPROTO; // an acknowledgement is no answer to a dump
            }
            return false;
        case SOCK_DIAG_BY_FAMILY: {
            inet_diag_msg msg;
            if (payload.size() < sizeof msg) {
                return true;
            }
            std::memcpy(&msg, payload.data(), sizeof msg);
            Socket s;
            if (!Decode(msg, s)) {
                return true;
            }
            s.state = TcpStateFromLinux(msg.idiag_state);
            s.localPort = msg.id.idiag_sport;
            s.remotePort = msg.id.idiag_dport;
            s.inode = msg.idiag_inode;
            out.push_back(s);
            return true;
        }
        default:
            return true;
        }
    });
    return result;
}

} // namespace

DiagParseResult ParseSockDiagReply(std::span<const std::byte> bytes, std::vector<DiagSocket>& out) {
    return ParseReply(bytes, out);
}

DiagParseResult ParseSockDiagReply(std::span<const std::byte> bytes,
                                   std::vector<DiagSocket6>& out) {
    return ParseReply(bytes, out);
}

int ParseNetlinkAck(std::span<const std::byte> bytes) {
    int result = -1;
    ForEachMessage(bytes, [&](const nlmsghdr& hdr, std::span<const std::byte> payload) {
        if (hdr.nlmsg_type != NLMSG_ERROR) {
            return true;
        }
        result = ErrorOf(payload);
        return false;
    });
    return result;
}

} // namespace hl
