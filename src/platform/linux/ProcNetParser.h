#pragma once

#include "platform/IpHelper.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace hl {

// The table state number of a Linux TCP state (ESTABLISHED 1 ... NEW_SYN_RECV 12, as the
// kernel numbers them); 0 for a number Linux does not define.
uint32_t TcpStateFromLinux(uint32_t linuxState);

// Parsers of <proc>/net/tcp and <proc>/net/udp. Addresses keep the value the kernel prints
// (the network-order address read as a host number), ports are turned into network order.
// The header line and every line that does not parse are skipped; rows keep file order.
std::vector<TcpRow> ParseProcNetTcp(std::string_view text);
std::vector<UdpRow> ParseProcNetUdp(std::string_view text);
// The same for <proc>/net/tcp6 and <proc>/net/udp6, whose addresses are 32 hex digits. These
// files carry no scope, so every address has scope 0.
std::vector<Tcp6Row> ParseProcNetTcp6(std::string_view text);
std::vector<Udp6Row> ParseProcNetUdp6(std::string_view text);

} // namespace hl
