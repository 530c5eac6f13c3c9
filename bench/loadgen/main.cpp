// hl_loadgen: a bounded loopback socket load for the benchmark. The parent forks the worker
// and idle processes, waits until every worker reports its sockets open, announces
// readiness, and ends all children by pid on SIGTERM/SIGINT, when its time is up, or when a
// child dies early.

#include "loadgen/ChildGroup.h"
#include "loadgen/LoadOptions.h"
#include "loadgen/SocketLoad.h"
#include "loadgen/SystemLimits.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hl {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kReady = 'R';
// Children outlive the parent's own deadline by this much, so the parent normally ends them.
constexpr unsigned kChildGraceSeconds = 5;
// Descriptors a worker holds beside its sockets: stdio, the status pipe, some spare.
constexpr long kFdHeadroom = 32;

void Fail(const std::string& message) {
    std::fprintf(stderr, "hl_loadgen: %s\n", message.c_str());
}

void SayReady(int statusFd) {
    while (::write(statusFd, &kReady, 1) < 0 && errno == EINTR) {
    }
    ::close(statusFd);
}

[[noreturn]] void WaitForEnd() {
    for (;;) {
        ::pause(); // SIGALRM, SIGKILL from the parent or its death end the process
    }
}

// What one worker holds on each loopback address.
struct WorkerShare {
    long tcp4 = 0;
    long udp4 = 0;
    long tcp6 = 0;
    long udp6 = 0;
};

WorkerShare ShareOfWorker(const LoadOptions& options, long index) {
    const long tcp6 = Ipv6Part(options.tcp, options.ipv6);
    const long udp6 = Ipv6Part(options.udp, options.ipv6);
    return WorkerShare{ShareOf(options.tcp - tcp6, options.procs, index),
                       ShareOf(options.udp - udp6, options.procs, index),
                       ShareOf(tcp6, options.procs, index), ShareOf(udp6, options.procs, index)};
}

int RunWorker(const WorkerShare& share, int statusFd) {
    CSocketLoad load4(AF_INET);
    CSocketLoad load6(AF_INET6);
    std::string error;
    if (!load4.Open(share.tcp4, share.udp4, error) || !load6.Open(share.tcp6, share.udp6, error)) {
        Fail("worker " + std::to_string(::getpid()) + ": " + error);
        return 1;
    }
    SayReady(statusFd);
    WaitForEnd();
}

int RunIdle(int statusFd) {
    SayReady(statusFd);
    WaitForEnd();
}

// Creates `path` with "ready\n" in one step (write aside, then rename).
bool WriteReadyFile(const std::string& path) {
    const std::string temporary = path + ".tmp";
    {
        UniqueFd file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!file || ::write(file.Get(), "ready\n", 6) != 6) {
            return false;
        }
    }
    return ::rename(temporary.c_str(), path.c_str()) == 0;
}

// Blocks the signals the parent waits for and returns a descriptor that delivers them.
UniqueFd OpenSignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGCHLD);
    if (::sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        return UniqueFd();
    }
    return UniqueFd(::signalfd(-1, &set, SFD_CLOEXEC));
}

enum class Event { Status, Stop, ChildEnded, TimeUp, Error };

// Waits for the next thing the parent reacts to, until `deadline`.
Event NextEvent(int statusFd, int signalFd, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return Event::TimeUp;
        }
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {statusFd, POLLIN, 0}};
        const int count = statusFd >= 0 ? 2 : 1;
        const int rc = ::poll(fds, count, static_cast<int>(std::min<long>(left.count(), 60000)));
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc < 0) {
            return Event::Error;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(signalFd, &info, sizeof info) != sizeof info) {
                return Event::Error;
            }
            if (info.ssi_signo == SIGCHLD) {
                return Event::ChildEnded;
            }
            return Event::Stop;
        }
        if (count == 2 && fds[1].revents != 0) {
            return Event::Status;
        }
    }
}

int Run(const LoadOptions& options) {
    // The first worker holds the most sockets of either kind.
    const WorkerShare largest = ShareOfWorker(options, 0);
    std::string error;
    if (!CheckPortRange("/proc/sys", std::max(largest.tcp4, largest.tcp6), options.udp, error) ||
        !RaiseFdLimit(2 * (largest.tcp4 + largest.tcp6) + largest.udp4 + largest.udp6 + kFdHeadroom,
                      error)) {
        Fail(error);
        return 1;
    }
    ::signal(SIGPIPE, SIG_IGN);
    UniqueFd signals = OpenSignalFd();
    int pipeFds[2];
    if (!signals || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        Fail(std::string("signal or pipe set-up: ") + std::strerror(errno));
        return 1;
    }
    UniqueFd statusRead(pipeFds[0]);
    UniqueFd statusWrite(pipeFds[1]);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::seconds(options.seconds);
    const auto lifetime = static_cast<unsigned>(options.seconds) + kChildGraceSeconds;
    CChildGroup children;
    for (long i = 0; i < options.procs; ++i) {
        const WorkerShare share = ShareOfWorker(options, i);
        auto body = [share](int fd) { return RunWorker(share, fd); };
        if (!children.Spawn(lifetime, statusWrite.Get(), body, error)) {
            Fail(error);
            return 1;
        }
    }
    for (long i = 0; i < options.idle; ++i) {
        if (!children.Spawn(lifetime, statusWrite.Get(), RunIdle, error)) {
            Fail(error);
            return 1;
        }
    }
    statusWrite.Reset();

    const long expected = options.procs + options.idle;
    long ready = 0;
    while (ready < expected) {
        switch (NextEvent(statusRead.Get(), signals.Get(), deadline)) {
        case Event::Status: {
            char buffer[512];
            const ssize_t got = ::read(statusRead.Get(), buffer, sizeof buffer);
            if (got <= 0) {
                Fail("status pipe closed before every child was ready");
                return 1;
            }
            ready += got;
            break;
        }
        case Event::ChildEnded:
            children.ReapEnded();
            Fail("a child ended during set-up; load not ready");
            return 1;
        case Event::Stop:
            Fail("stopped during set-up");
            return 1;
        case Event::TimeUp:
            Fail("set-up did not finish within --seconds");
            return 1;
        case Event::Error:
            Fail(std::string("waiting for the children: ") + std::strerror(errno));
            return 1;
        }
    }
    statusRead.Reset();

    const auto setupMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::fprintf(stderr,
                 "hl_loadgen: ready in %lld ms: %ld connections, %ld UDP sockets (%ld and %ld of "
                 "them on ::1), %ld workers, %ld idle\n",
                 static_cast<long long>(setupMs), options.tcp, options.udp,
                 Ipv6Part(options.tcp, options.ipv6), Ipv6Part(options.udp, options.ipv6),
                 options.procs, options.idle);
    if (!options.readyFile.empty() && !WriteReadyFile(options.readyFile)) {
        Fail("cannot write " + options.readyFile + ": " + std::strerror(errno));
        return 1;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    int result = 0;
    for (bool running = true; running;) {
        switch (NextEvent(-1, signals.Get(), deadline)) {
        case Event::ChildEnded:
            if (children.ReapEnded() > 0) {
                Fail("a child ended early; the load is incomplete, stopping");
                result = 1;
                running = false;
            }
            break;
        case Event::Error:
            result = 1;
            running = false;
            break;
        default:
            running = false;
            break;
        }
    }
    children.EndAll();
    if (!options.readyFile.empty()) {
        ::unlink(options.readyFile.c_str());
    }
    return result;
}

} // namespace
} // namespace hl

int main(int argc, char** argv) {
    hl::LoadOptions options;
    std::string error;
    if (!hl::ParseLoadOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "hl_loadgen: %s\n%s", error.c_str(), hl::LoadUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(hl::LoadUsage(), stdout);
        return 0;
    }
    return hl::Run(options);
}
