#pragma once

#include <chrono>
#include <string>

namespace hl {

// The outcome of one timed command.
struct TimedRun {
    bool started = false;    // the command was executed (fork and exec worked)
    bool timedOut = false;   // it was killed after the timeout
    int exitCode = -1;       // its exit status; -1 when it ended by a signal or timed out
    int signal = 0;          // the signal that ended it, 0 if none
    double milliseconds = 0; // wall time from fork until it was reaped
    std::string error;       // why it could not be started
};

// Runs one command with stdin and stdout on /dev/null (stderr too unless it is kept) and
// measures its wall time. A command that runs past the timeout is killed by pid, so one hung
// run cannot stall the benchmark. SIGCHLD must be blocked by the caller (see BlockSigChld).
class CCommandTimer {
public:
    CCommandTimer(std::chrono::milliseconds timeout, bool keepStderr)
        : m_timeout(timeout), m_keepStderr(keepStderr) {}

    // Blocks SIGCHLD in the calling thread so the timer can wait for it; false on failure.
    static bool BlockSigChld();

    // `argv` is the command and its arguments, ending with a null pointer.
    TimedRun Run(char* const* argv) const;

private:
    std::chrono::milliseconds m_timeout;
    bool m_keepStderr;
};

} // namespace hl
