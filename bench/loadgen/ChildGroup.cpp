#include "loadgen/ChildGroup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hl {
namespace {

constexpr int kChildStatusFd = 3;

// Runs in the child between fork and `body`; exits the child when a step fails.
void PrepareChild(pid_t parent, unsigned lifetimeSeconds, int statusFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal : {SIGTERM, SIGINT, SIGPIPE, SIGCHLD, SIGALRM}) {
        ::signal(signal, SIG_DFL);
    }
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
        ::_exit(1); // the parent is already gone
    }
    ::alarm(lifetimeSeconds);

    const int status = ::fcntl(statusFd, F_DUPFD, 100);
    const int null = ::open("/dev/null", O_RDWR);
    if (status < 0 || null < 0 || ::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 ||
        ::dup2(status, kChildStatusFd) < 0) {
        std::fprintf(stderr, "hl_loadgen: child set-up failed: %s\n", std::strerror(errno));
        ::_exit(1);
    }
    ::close_range(kChildStatusFd + 1, ~0U, 0);
}

} // namespace

bool CChildGroup::Spawn(unsigned lifetimeSeconds, int statusFd, const std::function<int(int)>& body,
                        std::string& error) {
    const pid_t parent = ::getpid();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        PrepareChild(parent, lifetimeSeconds, statusFd);
        ::_exit(body(kChildStatusFd));
    }
    m_pids.push_back(pid);
    return true;
}

size_t CChildGroup::ReapEnded() {
    size_t ended = 0;
    for (;;) {
        const pid_t pid = ::waitpid(-1, nullptr, WNOHANG);
        if (pid <= 0) {
            return ended;
        }
        auto it = std::find(m_pids.begin(), m_pids.end(), pid);
        if (it != m_pids.end()) {
            m_pids.erase(it);
            ++ended;
        }
    }
}

void CChildGroup::EndAll() {
    for (pid_t pid : m_pids) {
        ::kill(pid, SIGKILL);
    }
    for (pid_t pid : m_pids) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_pids.clear();
}

} // namespace hl
