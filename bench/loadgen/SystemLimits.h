#pragma once

#include <string>

namespace hl {

// Raises the soft RLIMIT_NOFILE to at least `needed` descriptors, up to the hard limit.
// False with a message naming both numbers when the hard limit is lower.
bool RaiseFdLimit(long needed, std::string& error);

// Checks that `connections` connections towards one listener and `udpSockets` bound UDP
// sockets fit the ephemeral port range of <procSys>/net/ipv4/ip_local_port_range (each needs
// its own port there). True when they fit or the range cannot be read; false with a message.
bool CheckPortRange(const std::string& procSys, long connections, long udpSockets,
                    std::string& error);

} // namespace hl
