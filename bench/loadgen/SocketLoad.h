#pragma once

#include "platform/UniqueFd.h"

#include <string>
#include <vector>

namespace hl {

// The sockets of one worker process: a listener on 127.0.0.1, `tcp` connections to it whose
// connecting and accepted ends both stay open, and `udp` UDP sockets bound to 127.0.0.1.
// Every TCP socket lingers for 0 s, so closing the load resets the connections instead of
// leaving TIME_WAIT entries behind for the next measurement.
class CSocketLoad {
public:
    // Opens everything; false with a message in `error` as soon as one step fails.
    bool Open(long tcp, long udp, std::string& error);

private:
    bool OpenListener(std::string& error);
    bool OpenConnection(std::string& error);
    bool OpenUdp(std::string& error);

    UniqueFd m_listener;
    unsigned short m_port = 0; // the listener's port, network byte order
    std::vector<UniqueFd> m_tcp;
    std::vector<UniqueFd> m_udp;
};

} // namespace hl
