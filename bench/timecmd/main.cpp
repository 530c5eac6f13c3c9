// hl_timecmd: runs one command once and prints its wall time in milliseconds on stdout.
// Exit status: 0 when the command succeeded, 1 when it failed (the time is still printed),
// 2 for a usage error, 3 when it timed out, 4 when it could not be started.

#include "timecmd/CommandTimer.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: hl_timecmd [--timeout-ms T] [--keep-stderr] -- COMMAND [ARG...]\n"
    "Runs COMMAND once with stdin and stdout (and stderr unless kept) on /dev/null and\n"
    "prints its wall time in ms. Kills it after T ms (default 60000).\n";

int Usage(const char* message) {
    std::fprintf(stderr, "hl_timecmd: %s\n%s", message, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    long timeoutMs = 60000;
    bool keepStderr = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--keep-stderr") {
            keepStderr = true;
        } else if (arg == "--timeout-ms" && i + 1 < argc) {
            const std::string_view value = argv[++i];
            const char* end = value.data() + value.size();
            auto [ptr, ec] = std::from_chars(value.data(), end, timeoutMs);
            if (ec != std::errc() || ptr != end || timeoutMs <= 0) {
                return Usage("--timeout-ms needs a positive whole number");
            }
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            return Usage("unknown option");
        }
    }
    if (i >= argc) {
        return Usage("no command given");
    }
    if (!hl::CCommandTimer::BlockSigChld()) {
        std::perror("hl_timecmd: sigprocmask");
        return 4;
    }
    const hl::CCommandTimer timer(std::chrono::milliseconds(timeoutMs), keepStderr);
    const hl::TimedRun run = timer.Run(argv + i);
    if (!run.started) {
        std::fprintf(stderr, "hl_timecmd: %s\n", run.error.c_str());
        return 4;
    }
    if (run.timedOut) {
        std::fprintf(stderr, "hl_timecmd: %s killed after %ld ms\n", argv[i], timeoutMs);
        return 3;
    }
    std::printf("%.3f\n", run.milliseconds);
    if (run.exitCode != 0) {
        if (run.signal != 0) {
            std::fprintf(stderr, "hl_timecmd: %s ended by signal %d\n", argv[i], run.signal);
        } else {
            std::fprintf(stderr, "hl_timecmd: %s exited with %d\n", argv[i], run.exitCode);
        }
        return 1;
    }
    return 0;
}
