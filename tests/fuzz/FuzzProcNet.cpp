#include "platform/linux/ProcNetParser.h"

#include <arpa/inet.h>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

constexpr const char* kHeader =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when\n";
constexpr const char* kTail = " 00000000:00000000 00:00000000 00000000     0        0 4242 1 "
                              "0000000000000000 100 0 0 10 0\n";

uint32_t LinuxState(uint32_t state) {
    return state < kLinuxStateOf.size() ? kLinuxStateOf[state] : 0xFFu;
}

// An address as the kernel prints it: each 32-bit word of the network-order bytes read as a
// host number.
std::string Hex(uint32_t addr) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", addr);
    return text;
}
std::string Hex(const hl::Ip6Addr& addr) {
    std::string text;
    for (size_t word = 0; word < 4; ++word) {
        uint32_t value = 0;
        std::memcpy(&value, addr.bytes.data() + 4 * word, 4);
        text += Hex(value);
    }
    return text;
}

char Digit(unsigned value) {
    return "0123456789ABCDEF"[value & 0xF];
}

// One line the way the kernel writes it, with the rest of the columns as a real line has them.
template <typename Row> std::string FormatLine(size_t slot, const Row& row) {
    char head[16];
    std::snprintf(head, sizeof head, "%4zu: ", slot);
    char ports[2][6];
    std::snprintf(ports[0], sizeof ports[0], ":%04X", HostPort(row.localPort));
    std::snprintf(ports[1], sizeof ports[1], ":%04X", HostPort(row.remotePort));
    const uint32_t state = LinuxState(row.state);
    return std::string(head) + Hex(row.localAddr) + ports[0] + " " + Hex(row.remoteAddr) +
           ports[1] + " " + Digit(state >> 4) + Digit(state) + kTail;
}

// Both parsers of one family accept the same lines, every row is sane, and the rows written
// back in the kernel's format parse to the same rows.
template <typename TcpRowT, typename UdpRowT>
void CheckFamily(const std::vector<TcpRowT>& tcp, const std::vector<UdpRowT>& udp,
                 std::vector<TcpRowT> (*reparse)(std::string_view)) {
    if (tcp.size() != udp.size()) {
        __builtin_trap();
    }
    std::string formatted = kHeader;
    for (size_t i = 0; i < tcp.size(); ++i) {
        if (!(udp[i].localAddr == tcp[i].localAddr) || udp[i].localPort != tcp[i].localPort ||
            tcp[i].state >= kLinuxStateOf.size() || (tcp[i].localPort >> 16) != 0 ||
            (tcp[i].remotePort >> 16) != 0) {
            __builtin_trap();
        }
        formatted += FormatLine(i, tcp[i]);
    }
    if (reparse(formatted) != tcp) {
        __builtin_trap();
    }
}

} // namespace

// Any text as <proc>/net/tcp, udp, tcp6 and udp6: parsing never crashes, and what is parsed
// survives being written back in the kernel's format.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckFamily(hl::ParseProcNetTcp(text), hl::ParseProcNetUdp(text), &hl::ParseProcNetTcp);
    CheckFamily(hl::ParseProcNetTcp6(text), hl::ParseProcNetUdp6(text), &hl::ParseProcNetTcp6);
    return 0;
}
