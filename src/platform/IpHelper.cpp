#include "platform/IpHelper.h"

#include <algorithm>
#include <arpa/inet.h>
#include <tuple>

namespace hl {
namespace {

uint16_t HostPort(uint32_t port) {
    return ntohs(static_cast<uint16_t>(port & 0xFFFF));
}

auto TcpKey(const TcpRow& r) {
    return std::make_tuple(ntohl(r.localAddr), HostPort(r.localPort), ntohl(r.remoteAddr),
                           HostPort(r.remotePort));
}

auto UdpKey(const UdpRow& r) {
    return std::make_tuple(ntohl(r.localAddr), HostPort(r.localPort));
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

} // namespace hl
