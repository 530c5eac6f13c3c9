#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/IpHelper.h"

#include <cstdint>
#include <string>

namespace hl {

// Cell texts of the connection list: a dotted-decimal IPv4 address (network order in), a
// port (network order in the low 16 bits) as a host-order decimal number, a process id as a
// signed decimal number.
std::string FormatAddress(uint32_t networkAddr);
std::string FormatPort(uint32_t networkPort);
std::string FormatPid(uint32_t pid);
// An IPv6 address in its compressed text form (::1, ::ffff:127.0.0.1), with "%" and the
// interface name, or its number when it has none, for an address with a scope.
std::string FormatAddress(const Ip6Addr& addr);

// The trace line of a plain-table TCP row, written in the pieces the readers always wrote:
// "\n <protocol>\t<local> <fill>\t <lport> \t\t<remote><fill>\t <rport>\t\t<state name>".
// The fill is 17 minus the address's length blanks, each its own write, for an address of at
// most 16 characters.
void WriteTcpTrace(ITraceSink& trace, const char* protocol, const std::string& local,
                   uint32_t localPort, const std::string& remote, uint32_t remotePort,
                   const std::string& stateName);
// The trace line of an extended UDP row, from its cells: "\n <protocol> \t<pid> \t<name>
// \t<local> \t<port>" (two blanks after the name).
void WriteUdpExTrace(ITraceSink& trace, const RowTexts& cells);
// The trace line of a plain-table UDP row: "\n <protocol> \t<local> \t<port>".
void WriteUdpTrace(ITraceSink& trace, const char* protocol, const std::string& local,
                   uint32_t localPort);

} // namespace hl
