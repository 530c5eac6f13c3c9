#include "platform/linux/ProcNetParser.h"

#include <arpa/inet.h>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A Linux state number for each table state, so that a formatted row parses back to it.
constexpr std::array<uint32_t, 12> kLinuxStateOf = {
    0,  // 0: no state
    7,  // 1 CLOSED
    10, // 2 LISTEN
    2,  // 3 SYN_SENT
    3,  // 4 SYN_RCVD
    1,  // 5 ESTABLISHED
    4,  // 6 FIN_WAIT1
    5,  // 7 FIN_WAIT2
    8,  // 8 CLOSE_WAIT
    11, // 9 CLOSING
    9,  // 10 LAST_ACK
    6,  // 11 TIME_WAIT
};

// One line the way the kernel writes it, with the rest of the columns as a real line has them.
std::string FormatLine(size_t slot, const hl::TcpRow& row) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "%4zu: %08X:%04X %08X:%04X %02X 00000000:00000000 00:00000000 00000000     0"
                  "        0 4242 1 0000000000000000 100 0 0 10 0\n",
                  slot, row.localAddr, ntohs(static_cast<uint16_t>(row.localPort)), row.remoteAddr,
                  ntohs(static_cast<uint16_t>(row.remotePort)),
                  row.state < kLinuxStateOf.size() ? kLinuxStateOf[row.state] : 0xFFu);
    return line;
}

} // namespace

// Any text as <proc>/net/tcp and <proc>/net/udp: parsing never crashes, both parsers accept
// the same lines, and the rows written back in the kernel's format parse to the same rows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<hl::TcpRow> tcp = hl::ParseProcNetTcp(text);
    const std::vector<hl::UdpRow> udp = hl::ParseProcNetUdp(text);
    if (tcp.size() != udp.size()) {
        __builtin_trap();
    }
    for (size_t i = 0; i < tcp.size(); ++i) {
        if (udp[i].localAddr != tcp[i].localAddr || udp[i].localPort != tcp[i].localPort ||
            tcp[i].state >= kLinuxStateOf.size() || (tcp[i].localPort >> 16) != 0 ||
            (tcp[i].remotePort >> 16) != 0) {
            __builtin_trap();
        }
    }

    std::string formatted = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when\n";
    for (size_t i = 0; i < tcp.size(); ++i) {
        formatted += FormatLine(i, tcp[i]);
    }
    if (hl::ParseProcNetTcp(formatted) != tcp) {
        __builtin_trap();
    }
    return 0;
}
