#include "platform/linux/SockDiagClient.h"

#include "platform/ErrorCodes.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace hl {
namespace {

// A dump answers in datagrams of up to 32 KiB each; a larger buffer lets the kernel fill
// each one completely.
constexpr size_t kReceiveBufferSize = 64 * 1024;
// A kernel that stops answering must not hang a refresh.
constexpr time_t kReceiveTimeoutSeconds = 5;

struct Request {
    nlmsghdr hdr;
    inet_diag_req_v2 req;
};

UniqueFd OpenDiagSocket() {
    UniqueFd fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (!fd) {
        return fd;
    }
    timeval tv{};
    tv.tv_sec = kReceiveTimeoutSeconds;
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) != 0) {
        return UniqueFd();
    }
    return fd;
}

uint32_t SendRequest(int fd, const Request& request) {
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    for (;;) {
        const ssize_t sent = ::sendto(fd, &request, sizeof request, 0,
                                      reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
        if (sent == static_cast<ssize_t>(sizeof request)) {
            return kErrorSuccess;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        return ErrorFromErrno(sent < 0 ? errno : EIO);
    }
}

// One datagram into buf; its length, or -1 with errno set. A datagram larger than the
// buffer is an error (its tail would be lost).
ssize_t ReceiveOne(int fd, std::byte* buf, size_t size) {
    for (;;) {
        const ssize_t got = ::recv(fd, buf, size, MSG_TRUNC);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got > static_cast<ssize_t>(size)) {
            errno = EMSGSIZE;
            return -1;
        }
        return got;
    }
}

Request MakeRequest(uint16_t type, uint16_t flags, uint8_t family, uint8_t protocol) {
    Request r{};
    r.hdr.nlmsg_len = sizeof r;
    r.hdr.nlmsg_type = type;
    r.hdr.nlmsg_flags = flags;
    r.hdr.nlmsg_seq = 1;
    r.req.sdiag_family = family;
    r.req.sdiag_protocol = protocol;
    r.req.idiag_states = ~0u; // every state
    r.req.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    r.req.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    return r;
}

template <typename Socket>
uint32_t DumpFamily(uint8_t family, uint8_t protocol, std::vector<Socket>& out) {
    out.clear();
    UniqueFd fd = OpenDiagSocket();
    if (!fd) {
        return ErrorFromErrno(errno);
    }
    const Request request =
        MakeRequest(SOCK_DIAG_BY_FAMILY, NLM_F_REQUEST | NLM_F_DUMP, family, protocol);
    if (const uint32_t err = SendRequest(fd.Get(), request); err != kErrorSuccess) {
        return err;
    }
    // Aligned for the netlink headers the parser copies out of it.
    auto buf = std::make_unique<std::max_align_t[]>(kReceiveBufferSize / sizeof(std::max_align_t));
    auto* bytes = reinterpret_cast<std::byte*>(buf.get());
    for (;;) {
        const ssize_t got = ReceiveOne(fd.Get(), bytes, kReceiveBufferSize);
        if (got < 0) {
            const int err = errno;
            out.clear();
            return ErrorFromErrno(err);
        }
        if (got == 0) {
            out.clear();
            return kErrorGenFailure; // the kernel ended the conversation without an end marker
        }
        const DiagParseResult r = ParseSockDiagReply({bytes, static_cast<size_t>(got)}, out);
        if (r.status == DiagStatus::Done) {
            return kErrorSuccess;
        }
        if (r.status == DiagStatus::Error) {
            out.clear();
            return ErrorFromErrno(r.error);
        }
    }
}

// Sends a SOCK_DESTROY request and reads its acknowledgement.
uint32_t SendDestroy(const Request& request) {
    UniqueFd fd = OpenDiagSocket();
    if (!fd) {
        return ErrorFromErrno(errno);
    }
    if (const uint32_t err = SendRequest(fd.Get(), request); err != kErrorSuccess) {
        return err;
    }
    alignas(nlmsghdr) std::byte buf[8192]; // an error echoes the request
    for (;;) {
        const ssize_t got = ReceiveOne(fd.Get(), buf, sizeof buf);
        if (got < 0) {
            return ErrorFromErrno(errno);
        }
        if (got == 0) {
            return kErrorGenFailure;
        }
        const int err = ParseNetlinkAck({buf, static_cast<size_t>(got)});
        if (err == 0) {
            return kErrorSuccess;
        }
        if (err > 0) {
            return ErrorFromErrno(err);
        }
        // no acknowledgement in this datagram: read on
    }
}

} // namespace

uint32_t SockDiagClient::Dump(uint8_t protocol, std::vector<DiagSocket>& out) {
    return DumpFamily(AF_INET, protocol, out);
}

uint32_t SockDiagClient::Dump(uint8_t protocol, std::vector<DiagSocket6>& out) {
    return DumpFamily(AF_INET6, protocol, out);
}

uint32_t SockDiagClient::Destroy(const TcpRow& tuple) {
    Request request = MakeRequest(SOCK_DESTROY, NLM_F_REQUEST | NLM_F_ACK, AF_INET, IPPROTO_TCP);
    request.req.id.idiag_src[0] = tuple.localAddr;
    request.req.id.idiag_dst[0] = tuple.remoteAddr;
    request.req.id.idiag_sport = static_cast<uint16_t>(tuple.localPort & 0xFFFF);
    request.req.id.idiag_dport = static_cast<uint16_t>(tuple.remotePort & 0xFFFF);
    return SendDestroy(request);
}

uint32_t SockDiagClient::Destroy(const Tcp6Row& tuple) {
    Request request = MakeRequest(SOCK_DESTROY, NLM_F_REQUEST | NLM_F_ACK, AF_INET6, IPPROTO_TCP);
    std::memcpy(request.req.id.idiag_src, tuple.localAddr.bytes.data(), 16);
    std::memcpy(request.req.id.idiag_dst, tuple.remoteAddr.bytes.data(), 16);
    request.req.id.idiag_sport = static_cast<uint16_t>(tuple.localPort & 0xFFFF);
    request.req.id.idiag_dport = static_cast<uint16_t>(tuple.remotePort & 0xFFFF);
    // The kernel matches the interface only when one is given; a link-local pair needs it.
    request.req.id.idiag_if =
        tuple.localAddr.scopeId != 0 ? tuple.localAddr.scopeId : tuple.remoteAddr.scopeId;
    return SendDestroy(request);
}

} // namespace hl
