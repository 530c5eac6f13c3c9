#include "platform/IpHelper.h"

#include <algorithm>
#include <arpa/inet.h>
#include <tuple>

namespace hl {
namespace {

auto TcpKey(const TcpRow& r) {
    return std::make_tuple(ntohl(r.localAddr), HostPort(r.localPort), ntohl(r.remoteAddr),
                           HostPort(r.remotePort));
}

auto UdpKey(const UdpRow& r) {
    return std::make_tuple(ntohl(r.localAddr), HostPort(r.localPort));
}

// Big-endian bytes compare as the 128-bit number they spell.
auto Addr6Key(const Ip6Addr& a) {
    return std::make_tuple(a.bytes, a.scopeId);
}

auto Tcp6Key(const Tcp6Row& r) {
    return std::make_tuple(Addr6Key(r.localAddr), HostPort(r.localPort), Addr6Key(r.remoteAddr),
                           HostPort(r.remotePort));
}

auto Udp6Key(const Udp6Row& r) {
    return std::make_tuple(Addr6Key(r.localAddr), HostPort(r.localPort));
}

template <typename Row, typename Key> void SortBy(std::vector<Row>& rows, Key key) {
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Row& a, const Row& b) { return key(a) < key(b); });
}

} // namespace

void SortTcpRows(std::vector<TcpRow>& rows) {
    SortBy(rows, TcpKey);
}
void SortTcpRows(std::vector<TcpExRow>& rows) {
    SortBy(rows, TcpKey);
}
void SortUdpRows(std::vector<UdpRow>& rows) {
    SortBy(rows, UdpKey);
}
void SortUdpRows(std::vector<UdpExRow>& rows) {
    SortBy(rows, UdpKey);
}
void SortTcpRows(std::vector<Tcp6Row>& rows) {
    SortBy(rows, Tcp6Key);
}
void SortTcpRows(std::vector<Tcp6ExRow>& rows) {
    SortBy(rows, Tcp6Key);
}
void SortUdpRows(std::vector<Udp6Row>& rows) {
    SortBy(rows, Udp6Key);
}
void SortUdpRows(std::vector<Udp6ExRow>& rows) {
    SortBy(rows, Udp6Key);
}

} // namespace hl
