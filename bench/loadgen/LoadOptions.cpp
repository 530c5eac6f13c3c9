#include "loadgen/LoadOptions.h"

#include <charconv>
#include <string_view>

namespace hl {
namespace {

struct NumberOption {
    const char* name;
    long LoadOptions::*field;
    long min;
    long max;
};

constexpr NumberOption kNumberOptions[] = {
    {"--tcp", &LoadOptions::tcp, 0, 1000000}, {"--udp", &LoadOptions::udp, 0, 1000000},
    {"--ipv6", &LoadOptions::ipv6, 0, 100},   {"--procs", &LoadOptions::procs, 1, 1000},
    {"--idle", &LoadOptions::idle, 0, 10000}, {"--seconds", &LoadOptions::seconds, 1, 3600},
};

bool ParseNumber(std::string_view text, long& value) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

const char* LoadUsage() {
    return "usage: hl_loadgen [--tcp N] [--udp M] [--ipv6 PERCENT] [--procs P] [--idle I]\n"
           "                  [--seconds T] [--ready-file PATH]\n"
           "Opens N established TCP connections on 127.0.0.1 (both ends stay open, one\n"
           "listener per worker and address) and M bound UDP sockets, spread over P worker\n"
           "processes, plus I idle processes. PERCENT of the connections and of the UDP\n"
           "sockets (default 0) use ::1 instead, in every worker. Prints \"ready\" (and\n"
           "creates PATH) once every connection is established and accepted; ends\n"
           "everything after T seconds (default 120) or on SIGTERM/SIGINT.\n";
}

bool ParseLoadOptions(int argc, char** argv, LoadOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = "missing value after " + std::string(arg);
            return false;
        }
        const std::string_view value = argv[++i];
        if (arg == "--ready-file") {
            if (value.empty()) {
                error = "--ready-file needs a path";
                return false;
            }
            options.readyFile = std::string(value);
            continue;
        }
        const NumberOption* match = nullptr;
        for (const NumberOption& option : kNumberOptions) {
            if (arg == option.name) {
                match = &option;
            }
        }
        if (match == nullptr) {
            error = "unknown option " + std::string(arg);
            return false;
        }
        long number = 0;
        if (!ParseNumber(value, number) || number < match->min || number > match->max) {
            error = std::string(arg) + " needs a whole number from " + std::to_string(match->min) +
                    " to " + std::to_string(match->max) + ", got \"" + std::string(value) + "\"";
            return false;
        }
        options.*(match->field) = number;
    }
    return true;
}

long Ipv6Part(long total, long percent) {
    return total * percent / 100;
}

long ShareOf(long total, long workers, long index) {
    if (workers <= 0 || index < 0 || index >= workers) {
        return 0;
    }
    return total / workers + (index < total % workers ? 1 : 0);
}

} // namespace hl
