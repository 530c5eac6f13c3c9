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

// The loopback address of one family with a port, and the length its calls take.
struct LoopbackAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    LoopbackAddress(int family, unsigned short portNetworkOrder) {
        if (family == AF_INET6) {
            auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
            v6.sin6_family = AF_INET6;
            v6.sin6_addr = in6addr_loopback;
            v6.sin6_port = portNetworkOrder;
            length = sizeof v6;
        } else {
            auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
            v4.sin_family = AF_INET;
            v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            v4.sin_port = portNetworkOrder;
            length = sizeof v4;
        }
    }
    sockaddr* Get() { return reinterpret_cast<sockaddr*>(&storage); }
    unsigned short Port() const {
        return storage.ss_family == AF_INET6
                   ? reinterpret_cast<const sockaddr_in6&>(storage).sin6_port
                   : reinterpret_cast<const sockaddr_in&>(storage).sin_port;
    }
};

std::string Failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

const char* LoopbackText(int family) {
    return family == AF_INET6 ? "[::1]" : "127.0.0.1";
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
    m_listener.Reset(::socket(m_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!m_listener) {
        error = Failure("socket (listener)");
        return false;
    }
    LoopbackAddress address(m_family, 0);
    if (::bind(m_listener.Get(), address.Get(), address.length) != 0) {
        error = Failure(std::string("bind ") + LoopbackText(m_family) + ":0 (listener)");
        return false;
    }
    // One connection waits in the queue at a time, as each is accepted right after connect.
    if (::listen(m_listener.Get(), 64) != 0) {
        error = Failure("listen");
        return false;
    }
    socklen_t length = sizeof address.storage;
    if (::getsockname(m_listener.Get(), address.Get(), &length) != 0) {
        error = Failure("getsockname (listener)");
        return false;
    }
    m_port = address.Port();
    return true;
}

bool CSocketLoad::OpenConnection(std::string& error) {
    // The connecting end is not bound: the kernel picks its source port and may reuse one
    // towards another worker's listener, so the load is not limited to one port range.
    UniqueFd client(::socket(m_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!client) {
        error = Failure("socket (tcp)");
        return false;
    }
    if (!LingerZero(client.Get())) {
        error = Failure("setsockopt SO_LINGER");
        return false;
    }
    LoopbackAddress address(m_family, m_port);
    int rc = 0;
    do {
        rc = ::connect(client.Get(), address.Get(), address.length);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = Failure(std::string("connect ") + LoopbackText(m_family));
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
    UniqueFd socket(::socket(m_family, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        error = Failure("socket (udp)");
        return false;
    }
    LoopbackAddress address(m_family, 0);
    if (::bind(socket.Get(), address.Get(), address.length) != 0) {
        error = Failure(std::string("bind ") + LoopbackText(m_family) + ":0 (udp)");
        return false;
    }
    m_udp.push_back(std::move(socket));
    return true;
}

} // namespace hl
