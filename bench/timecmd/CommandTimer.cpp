#include "timecmd/CommandTimer.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hl {
namespace {

using Clock = std::chrono::steady_clock;

// Runs in the child: redirects stdio and execs; reports a failed exec's errno on `errorFd`.
[[noreturn]] void ExecChild(char* const* argv, bool keepStderr, int errorFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        if (!keepStderr) {
            ::dup2(null, 2);
        }
    }
    ::execvp(argv[0], argv);
    const int error = errno;
    [[maybe_unused]] ssize_t written = ::write(errorFd, &error, sizeof error);
    ::_exit(127);
}

timespec ToTimespec(std::chrono::nanoseconds span) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((span - seconds).count())};
}

// Waits until `pid` ends or `deadline` passes; true when it was reaped, with its status.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int& status) {
    sigset_t chld;
    sigemptyset(&chld);
    sigaddset(&chld, SIGCHLD);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return true;
        }
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return false;
        }
        const timespec wait = ToTimespec(left);
        ::sigtimedwait(&chld, nullptr, &wait); // woken by SIGCHLD, a timeout or EINTR alike
    }
}

} // namespace

bool CCommandTimer::BlockSigChld() {
    sigset_t chld;
    sigemptyset(&chld);
    sigaddset(&chld, SIGCHLD);
    return ::sigprocmask(SIG_BLOCK, &chld, nullptr) == 0;
}

TimedRun CCommandTimer::Run(char* const* argv) const {
    TimedRun result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.error = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    UniqueFd errorRead(pipeFds[0]);
    UniqueFd errorWrite(pipeFds[1]);

    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (pid == 0) {
        ExecChild(argv, m_keepStderr, errorWrite.Get());
    }
    errorWrite.Reset();

    int status = 0;
    if (!WaitUntil(pid, start + m_timeout, status)) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.started = true;
        result.timedOut = true;
        result.milliseconds =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return result;
    }
    result.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    int execError = 0;
    if (::read(errorRead.Get(), &execError, sizeof execError) == sizeof execError) {
        result.error = std::string("cannot run ") + argv[0] + ": " + std::strerror(execError);
        return result;
    }
    result.started = true;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace hl
