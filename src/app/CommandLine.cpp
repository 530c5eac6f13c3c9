#include "app/CommandLine.h"

#include <string_view>

namespace hl {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (options.error.empty()) {
            options.error = arg;
        }
    }
    return options;
}

const char* Usage() {
    return "Usage: harborlight [--trace]\n"
           "Shows the machine's IPv4 TCP connections and UDP endpoints with the process that\n"
           "owns each, refreshed on demand or every 1 to 11 seconds while monitoring is on.\n"
           "\n"
           "  --trace   write the table readers' trace lines to standard output, one line per\n"
           "            UDP endpoint (and per TCP connection read from the plain table) at\n"
           "            every refresh; without it the program writes nothing there\n"
           "  -h, --help  show this text and end\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are understood as well. SIGTERM, SIGINT\n"
           "and SIGHUP end the program as File > Exit does. harborlight-report writes the same\n"
           "list as CSV without a window, its trace lines on standard error.\n";
}

} // namespace hl
