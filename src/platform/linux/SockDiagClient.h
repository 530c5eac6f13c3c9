#pragma once

#include "platform/IpHelper.h"
#include "platform/linux/SockDiagParser.h"

#include <cstdint>
#include <vector>

namespace hl {

// Talks to the kernel's NETLINK_SOCK_DIAG service for IPv4 and IPv6 sockets. Each call opens its
// own netlink socket, so one object may be used from several threads. Results are 0 on success or a
// system error code (ErrorCodes.h), never 1.
class SockDiagClient {
public:
    // Every IPv4 socket of the protocol (IPPROTO_TCP or IPPROTO_UDP) in any state, with its
    // inode, in the order the kernel lists them. `out` is replaced.
    uint32_t Dump(uint8_t protocol, std::vector<DiagSocket>& out);
    // The same for the IPv6 sockets.
    uint32_t Dump(uint8_t protocol, std::vector<DiagSocket6>& out);

    // Destroys the TCP socket with exactly this four-tuple (addresses and ports in network
    // order): the connection is aborted and its peer reset. Needs CAP_NET_ADMIN (5 without
    // it); 2 when no such socket exists.
    uint32_t Destroy(const TcpRow& tuple);
    uint32_t Destroy(const Tcp6Row& tuple);
};

} // namespace hl
