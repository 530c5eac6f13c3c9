#pragma once

#include "platform/IpHelper.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hl {

// One socket of a sock_diag dump: the state in the table numbering, addresses and ports in
// network order as the message holds them, and the socket's inode (0 when it has none).
struct DiagSocket {
    uint32_t state = 0;
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    uint32_t remoteAddr = 0;
    uint32_t remotePort = 0;
    uint32_t inode = 0;
    bool operator==(const DiagSocket&) const = default;
};

// The same for an IPv6 socket. A link-local address gets the socket's interface index as its
// scope; every other address scope 0.
struct DiagSocket6 {
    uint32_t state = 0;
    Ip6Addr localAddr;
    uint32_t localPort = 0;
    Ip6Addr remoteAddr;
    uint32_t remotePort = 0;
    uint32_t inode = 0;
    bool operator==(const DiagSocket6&) const = default;
};

// Where a dump stands after one reply buffer.
enum class DiagStatus {
    NeedMore, // no end marker yet: read the next buffer
    Done,     // NLMSG_DONE seen
    Error,    // NLMSG_ERROR seen; `error` holds its errno value
};

struct DiagParseResult {
    DiagStatus status = DiagStatus::NeedMore;
    int error = 0; // a positive errno value when status is Error
};

// Decodes one buffer of a NETLINK_SOCK_DIAG dump reply (a stream of netlink messages with
// inet_diag_msg payloads), appending its AF_INET sockets to out. Parsing stops at NLMSG_DONE
// or NLMSG_ERROR. A message too short for its payload, or of another family or type, is
// skipped; a message whose length runs past the buffer ends the buffer. Never reads outside
// `bytes`.
DiagParseResult ParseSockDiagReply(std::span<const std::byte> bytes, std::vector<DiagSocket>& out);
// The same for a dump of AF_INET6 sockets: appends only the AF_INET6 ones.
DiagParseResult ParseSockDiagReply(std::span<const std::byte> bytes, std::vector<DiagSocket6>& out);

// Decodes the answer to a request sent with NLM_F_ACK: the errno value of the first
// NLMSG_ERROR message (0 for an acknowledgement), or -1 when the buffer holds none.
int ParseNetlinkAck(std::span<const std::byte> bytes);

} // namespace hl
