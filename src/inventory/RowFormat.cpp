#include "inventory/RowFormat.h"

#include <arpa/inet.h>

namespace hl {

std::string FormatAddress(uint32_t networkAddr) {
    in_addr addr{};
    addr.s_addr = networkAddr;
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &addr, text, sizeof text) == nullptr) {
        return "0.0.0.0";
    }
    return text;
}

uint16_t HostPort(uint32_t networkPort) {
    return ntohs(static_cast<uint16_t>(networkPort));
}

std::string FormatPort(uint32_t networkPort) {
    return std::to_string(HostPort(networkPort));
}

std::string FormatPid(uint32_t pid) {
    return std::to_string(static_cast<int32_t>(pid));
}

} // namespace hl
