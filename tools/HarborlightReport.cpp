// harborlight-report: the machine's IPv4 and IPv6 TCP connections and UDP endpoints with their
// owning processes, read once and written to standard output as CSV. Trace lines of the table
// readers go to standard error.

#include "inventory/CsvFormat.h"
#include "inventory/MemoryList.h"
#include "inventory/TableFill.h"
#include "platform/linux/LinuxSystem.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: harborlight-report\n"
    "Lists the machine's IPv4 and IPv6 TCP connections and UDP endpoints with the process\n"
    "that owns each, as CSV on standard output (header line, one line per socket, CRLF line\n"
    "ends). The rows read TCP, TCPv6, UDP, UDPv6, each table in reverse table order. Trace\n"
    "lines go to standard error. Seeing the sockets of other users' processes needs root.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        std::fputs(kUsage, help ? stdout : stderr);
        return help ? 0 : 2;
    }

    hl::LinuxSystem system;
    hl::MemoryList list;
    hl::StreamTraceSink trace(stderr);
    const hl::SystemView view = system.OpenView();

    // Both protocols of both families, UDP read first: the TCP rows end above the UDP rows.
    hl::FillTables(list, *view.ipHelper, *view.processes, trace, 1, 1);
    std::fputs("\n", stderr);

    const std::string csv = hl::ListToCsv(list);
    const bool written = std::fwrite(csv.data(), 1, csv.size(), stdout) == csv.size();
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}
