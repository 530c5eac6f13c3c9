#include "loadgen/SocketLoad.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace hl {
namespace {

// How long one accept may wait for the connection just made; on loopback it is there at once.
constexpr int kAcceptTimeoutMs = 5000;

sockaddr_in Loopback(unsigned short portNetworkOrder) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = portNetworkOrder;
    return address;
}

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool LingerZero(int fd) {
    const linger value{1, 0};
    return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0;
}

} // namespace

bool CSocketLoad::Open(long tcp, long udp, std::string& error) {
    m_tcp.reserve(static_cast<size_t>(tcp) * 2);
    m_udp.reserve(static_cast<size_t>(udp));
    if (tcp > 0 && !OpenListener(error)) {
        return false;
    }
    for (long i = 0; i < tcp; ++i) {
        if (!OpenConnection(error)) {
            error +=
                " (after " + std::to_string(i) + " of " + std::to_string(tcp) + " connections)";
            return false;
        }
    }
    for (long i = 0; i < udp; ++i) {
        if (!OpenUdp(error)) {
            error +=
                " (after " + std::to_string(i) + " of " + std::to_string(udp) + " UDP sockets)";
            return false;
        }
    }
    return true;
}

bool CSocketLoad::OpenListener(std::string& error) {
    m_listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!m_listener) {
        error = Failure("socket (listener)");
        return false;
    }
    sockaddr_in address = Loopback(0);
    if (::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = Failure("bind 127.0.0.1:0 (listener)");
        return false;
    }
    // One connection waits in the queue at a time, as each is accepted right after connect.
    if (::listen(m_listener.Get(), 64) != 0) {
        error = Failure("listen");
        return false;
    }
    socklen_t length = sizeof address;
    if (::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = Failure("getsockname (listener)");
        return false;
    }
    m_port = address.sin_port;
    return true;
}

bool CSocketLoad::OpenConnection(std::string& error) {
    // The connecting end is not bound: the kernel picks its source port and may reuse one
    // towards another worker's listener, so the load is not limited to one port range.
    UniqueFd client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!client) {
        error = Failure("socket (tcp)");
        return false;
    }
    if (!LingerZero(client.Get())) {
        error = Failure("setsockopt SO_LINGER");
        return false;
    }
    const sockaddr_in address = Loopback(m_port);
    int rc = 0;
    do {
        rc = ::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = Failure("connect 127.0.0.1");
        return false;
    }
    pollfd ready{m_listener.Get(), POLLIN, 0};
    rc = ::poll(&ready, 1, kAcceptTimeoutMs);
    if (rc <= 0) {
        error = rc == 0 ? std::string("accept: no connection within 5 s") : Failure("poll");
        return false;
    }
    UniqueFd server(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!server) {
        error = Failure("accept");
        return false;
    }
    if (!LingerZero(server.Get())) {
        error = Failure("setsockopt SO_LINGER");
        return false;
    }
    m_tcp.push_back(std::move(client));
    m_tcp.push_back(std::move(server));
    return true;
}

bool CSocketLoad::OpenUdp(std::string& error) {
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        error = Failure("socket (udp)");
        return false;
    }
    const sockaddr_in address = Loopback(0);
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = Failure("bind 127.0.0.1:0 (udp)");
        return false;
    }
    m_udp.push_back(std::move(socket));
    return true;
}

} // namespace hl
