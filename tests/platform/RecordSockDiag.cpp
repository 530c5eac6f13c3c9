// Records sock_diag dump replies for the parser tests. Run as root: it moves into a new
// network namespace, so the dump holds only the sockets it opens itself (all on loopback),
// and writes each reply datagram as a 4-byte native length followed by its bytes.
//
//   record_sock_diag <output dir>   writes tcp.dump, udp.dump, tcp6.dump and udp6.dump
//
// The IPv4 sockets: a TCP listener on 127.0.0.1:5000, an established pair 127.0.0.1:40000 ->
// 127.0.0.1:5000, one connection left in TIME_WAIT from 127.0.0.1:40001, 400 listeners on
// 127.0.0.2:6000-6399 (so the dump spans several datagrams), UDP 127.0.0.1:5353 unbound to a
// peer and 127.0.0.1:5354 connected to 127.0.0.1:5353.
//
// The IPv6 sockets: the same set on ::1 (listener 5000, pair 40000 -> 5000, TIME_WAIT from
// 40001, 400 listeners on 6000-6399, UDP 5353 and 5354 -> 5353), a dual-stack listener on
// [::]:5001 with an accepted IPv4 client 127.0.0.1:40002 (listed as ::ffff:127.0.0.1), and
// on the link-local address fe80::1 that it gives the namespace's loopback interface a TCP
// listener on port 5002 and a UDP socket on port 5355.

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <linux/inet_diag.h>
#include <linux/ipv6.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

bool BringUpLoopback() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool ok = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 &&
                    (ifr.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
    if (fd >= 0) {
        close(fd);
    }
    return ok;
}

// An IPv4 or IPv6 socket address; an IPv6 text may carry a zone ("fe80::1%lo").
struct SockAddr {
    sockaddr_storage storage{};
    socklen_t len = 0;
    int family = AF_INET;
};

SockAddr Addr(const char* ip, uint16_t port) {
    SockAddr a;
    std::string text = ip;
    if (text.find(':') == std::string::npos) {
        auto* in = reinterpret_cast<sockaddr_in*>(&a.storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        inet_pton(AF_INET, ip, &in->sin_addr);
        a.len = sizeof *in;
        return a;
    }
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&a.storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    if (const size_t zone = text.find('%'); zone != std::string::npos) {
        in6->sin6_scope_id = if_nametoindex(text.c_str() + zone + 1);
        text.resize(zone);
    }
    inet_pton(AF_INET6, text.c_str(), &in6->sin6_addr);
    a.len = sizeof *in6;
    a.family = AF_INET6;
    return a;
}

int Socket(int type, const char* ip, uint16_t port) {
    const SockAddr a = Addr(ip, port);
    const int fd = socket(a.family, type, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&a.storage), a.len) != 0) {
        std::perror("bind");
        return -1;
    }
    return fd;
}

bool Connect(int fd, const char* ip, uint16_t port) {
    const SockAddr a = Addr(ip, port);
    return connect(fd, reinterpret_cast<const sockaddr*>(&a.storage), a.len) == 0;
}

// Gives the loopback interface the link-local address fe80::1/64.
bool AddLinkLocalToLoopback() {
    const int fd = socket(AF_INET6, SOCK_DGRAM, 0);
    in6_ifreq req{};
    inet_pton(AF_INET6, "fe80::1", &req.ifr6_addr);
    req.ifr6_prefixlen = 64;
    req.ifr6_ifindex = static_cast<int>(if_nametoindex("lo"));
    const bool ok = fd >= 0 && ioctl(fd, SIOCSIFADDR, &req) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return ok;
}

// The loopback sockets of one family that both dumps hold; closed by the destructor.
struct SocketSet {
    std::vector<int> fds;
    ~SocketSet() {
        for (const int fd : fds) {
            close(fd);
        }
    }
    int Add(int fd) {
        fds.push_back(fd);
        return fd;
    }
    void Open(const char* loopback, const char* secondLoopback) {
        const int listener = Add(Socket(SOCK_STREAM, loopback, 5000));
        listen(listener, 16);
        const int client = Add(Socket(SOCK_STREAM, loopback, 40000));
        Connect(client, loopback, 5000);
        Add(accept(listener, nullptr, nullptr));
        // The side that closes first keeps the connection in TIME_WAIT.
        const int closing = Socket(SOCK_STREAM, loopback, 40001);
        Connect(closing, loopback, 5000);
        const int closingPeer = accept(listener, nullptr, nullptr);
        close(closing);
        char byte;
        if (read(closingPeer, &byte, 1) != 0) {
            std::fprintf(stderr, "expected the end of the stream\n");
        }
        close(closingPeer);
        usleep(100 * 1000);
        for (uint16_t port = 6000; port < 6400; ++port) {
            listen(Add(Socket(SOCK_STREAM, secondLoopback, port)), 1);
        }
        Add(Socket(SOCK_DGRAM, loopback, 5353));
        const int udpConnected = Add(Socket(SOCK_DGRAM, loopback, 5354));
        Connect(udpConnected, loopback, 5353);
    }
};

bool Record(uint8_t family, uint8_t protocol, const std::string& path) {
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    struct {
        nlmsghdr hdr;
        inet_diag_req_v2 req;
    } r{};
    r.hdr.nlmsg_len = sizeof r;
    r.hdr.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    r.hdr.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    r.req.sdiag_family = family;
    r.req.sdiag_protocol = protocol;
    r.req.idiag_states = ~0u;
    if (fd < 0 || send(fd, &r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) {
        std::perror("netlink");
        return false;
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::vector<char> buf(64 * 1024);
    for (bool done = false; !done;) {
        const ssize_t got = recv(fd, buf.data(), buf.size(), 0);
        if (got <= 0) {
            break;
        }
        const uint32_t len = static_cast<uint32_t>(got);
        std::fwrite(&len, sizeof len, 1, out);
        std::fwrite(buf.data(), 1, len, out);
        int left = static_cast<int>(len);
        for (auto* h = reinterpret_cast<nlmsghdr*>(buf.data()); NLMSG_OK(h, left);
             h = NLMSG_NEXT(h, left)) {
            done = done || h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR;
        }
    }
    std::fclose(out);
    close(fd);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output dir>\n", argv[0]);
        return 2;
    }
    if (unshare(CLONE_NEWNET) != 0 || !BringUpLoopback()) {
        std::perror("new network namespace");
        return 1;
    }
    SocketSet v4;
    v4.Open("127.0.0.1", "127.0.0.2");
    SocketSet v6;
    v6.Open("::1", "::1");
    // A dual-stack listener: its IPv4 client shows as an IPv4-mapped address.
    const int dual = v6.Add(Socket(SOCK_STREAM, "::", 5001));
    listen(dual, 4);
    const int mappedClient = v4.Add(Socket(SOCK_STREAM, "127.0.0.1", 40002));
    Connect(mappedClient, "127.0.0.1", 5001);
    v6.Add(accept(dual, nullptr, nullptr));
    if (!AddLinkLocalToLoopback()) {
        std::perror("link-local address");
        return 1;
    }
    listen(v6.Add(Socket(SOCK_STREAM, "fe80::1%lo", 5002)), 4);
    v6.Add(Socket(SOCK_DGRAM, "fe80::1%lo", 5355));

    const std::string dir = argv[1];
    const bool ok = Record(AF_INET, IPPROTO_TCP, dir + "/tcp.dump") &&
                    Record(AF_INET, IPPROTO_UDP, dir + "/udp.dump") &&
                    Record(AF_INET6, IPPROTO_TCP, dir + "/tcp6.dump") &&
                    Record(AF_INET6, IPPROTO_UDP, dir + "/udp6.dump");
    return ok ? 0 : 1;
}
