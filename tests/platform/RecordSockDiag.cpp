// Records sock_diag dump replies for the parser tests. Run as root: it moves into a new
// network namespace, so the dump holds only the sockets it opens itself (all on loopback),
// and writes each reply datagram as a 4-byte native length followed by its bytes.
//
//   record_sock_diag <output dir>   writes tcp.dump and udp.dump
//
// The sockets: a TCP listener on 127.0.0.1:5000, an established pair 127.0.0.1:40000 ->
// 127.0.0.1:5000, one connection left in TIME_WAIT from 127.0.0.1:40001, 400 listeners on
// 127.0.0.2:6000-6399 (so the dump spans several datagrams), UDP 127.0.0.1:5353 unbound to a
// peer and 127.0.0.1:5354 connected to 127.0.0.1:5353.

#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <linux/inet_diag.h>
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

sockaddr_in Addr(const char* ip, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

int Socket(int type, const char* ip, uint16_t port) {
    const int fd = socket(AF_INET, type, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in a = Addr(ip, port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        std::perror("bind");
        return -1;
    }
    return fd;
}

bool Connect(int fd, const char* ip, uint16_t port) {
    const sockaddr_in a = Addr(ip, port);
    return connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool Record(uint8_t protocol, const std::string& path) {
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    struct {
        nlmsghdr hdr;
        inet_diag_req_v2 req;
    } r{};
    r.hdr.nlmsg_len = sizeof r;
    r.hdr.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    r.hdr.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    r.req.sdiag_family = AF_INET;
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
    const int listener = Socket(SOCK_STREAM, "127.0.0.1", 5000);
    listen(listener, 16);
    const int client = Socket(SOCK_STREAM, "127.0.0.1", 40000);
    Connect(client, "127.0.0.1", 5000);
    const int server = accept(listener, nullptr, nullptr);
    // The side that closes first keeps the connection in TIME_WAIT.
    const int closing = Socket(SOCK_STREAM, "127.0.0.1", 40001);
    Connect(closing, "127.0.0.1", 5000);
    const int closingPeer = accept(listener, nullptr, nullptr);
    close(closing);
    char byte;
    if (read(closingPeer, &byte, 1) != 0) {
        std::fprintf(stderr, "expected the end of the stream\n");
    }
    close(closingPeer);
    usleep(100 * 1000);
    std::vector<int> many;
    for (uint16_t port = 6000; port < 6400; ++port) {
        many.push_back(Socket(SOCK_STREAM, "127.0.0.2", port));
        listen(many.back(), 1);
    }
    const int udp = Socket(SOCK_DGRAM, "127.0.0.1", 5353);
    const int udpConnected = Socket(SOCK_DGRAM, "127.0.0.1", 5354);
    Connect(udpConnected, "127.0.0.1", 5353);

    const std::string dir = argv[1];
    const bool ok =
        Record(IPPROTO_TCP, dir + "/tcp.dump") && Record(IPPROTO_UDP, dir + "/udp.dump");
    for (const int fd : many) {
        close(fd);
    }
    close(udp);
    close(udpConnected);
    close(server);
    close(client);
    close(listener);
    return ok ? 0 : 1;
}
