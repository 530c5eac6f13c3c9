#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hl {

// The child processes of the load generator. Each child is bounded on its own: it dies with
// its parent (PR_SET_PDEATHSIG) and ends itself when its lifetime runs out (SIGALRM), so no
// child outlives the load however the parent ends. The group ends the rest by pid.
class CChildGroup {
public:
    CChildGroup() = default;
    CChildGroup(const CChildGroup&) = delete;
    CChildGroup& operator=(const CChildGroup&) = delete;
    ~CChildGroup() { EndAll(); }

    // Forks a child that runs `body` and exits with its result. In the child the signal mask
    // and handlers are the defaults, stdin and stdout are /dev/null (so a reader of the
    // parent's stdout sees it end with the parent), and of the parent's descriptors only
    // stderr and `statusFd` stay open, the latter as descriptor 3 (passed to `body`).
    bool Spawn(unsigned lifetimeSeconds, int statusFd, const std::function<int(int)>& body,
               std::string& error);

    // Collects the children that have ended; returns how many did.
    size_t ReapEnded();

    // Sends SIGKILL to every child still running, by pid, and waits for each.
    void EndAll();

    size_t Running() const { return m_pids.size(); }

private:
    std::vector<pid_t> m_pids;
};

} // namespace hl
