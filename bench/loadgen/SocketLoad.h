#pragma once

#include "platform/UniqueFd.h"

#include <string>
#include <sys/socket.h>
#include <vector>

namespace hl {

// The sockets of one worker process on one loopback address (127.0.0.1, or ::1 for AF_INET6):
// a listener, `tcp` connections to it whose connecting and accepted ends both stay open, and
// `udp` UDP sockets bound to the address.
// Every TCP socket lingers for 0 s, so closing the load resets the connections instead of
// leaving TIME_WAIT entries behind for the next measurement.
class CSocketLoad {
public:
    explicit CSocketLoad(int family = AF_INET) : m_family(family) {}

    // Opens everything; false with a message in `error` as soon as one step fails.
    bool Open(long tcp, long udp, std::string& error);

private:
    bool OpenListener(std::string& error);
    bool OpenConnection(std::string& error);
    bool OpenUdp(std::string& error);

    int m_family;
    UniqueFd m_listener;
    unsigned short m_port = 0; // the listener's port, network byte order
    std::vector<UniqueFd> m_tcp;
    std::vector<UniqueFd> m_udp;
};

} // namespace hl
