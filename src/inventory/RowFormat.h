#pragma once

#include <cstdint>
#include <string>

namespace hl {

// Cell texts of the connection list: a dotted-decimal IPv4 address (network order in), a
// port (network order in the low 16 bits) as a host-order decimal number, a process id as a
// signed decimal number.
std::string FormatAddress(uint32_t networkAddr);
uint16_t HostPort(uint32_t networkPort);
std::string FormatPort(uint32_t networkPort);
std::string FormatPid(uint32_t pid);

} // namespace hl
