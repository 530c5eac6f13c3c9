#pragma once

#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace hl::test {

// A socket on 127.0.0.1 and an ephemeral port: a listening TCP socket, or a bound UDP one.
// `port` is 0 when the socket could not be set up.
struct LoopbackSocket {
    explicit LoopbackSocket(int type) : fd(::socket(AF_INET, type, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd.Valid() && ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            (type != SOCK_STREAM || ::listen(fd.Get(), 1) == 0) &&
            ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
    }
    UniqueFd fd;
    int port = 0;
};

struct Listener : LoopbackSocket {
    Listener() : LoopbackSocket(SOCK_STREAM) {}
};

struct UdpEndpoint : LoopbackSocket {
    UdpEndpoint() : LoopbackSocket(SOCK_DGRAM) {}
};

} // namespace hl::test
