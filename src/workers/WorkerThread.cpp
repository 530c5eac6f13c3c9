#include "workers/WorkerThread.h"

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace hl {
namespace {

// Trivially destructible, so a worker still ending while the process exits never touches a
// destroyed object.
std::atomic<int> g_liveWorkers{0};

} // namespace

CWorkerThread::CWorkerThread() {
    g_liveWorkers.fetch_add(1, std::memory_order_relaxed);
}

CWorkerThread::~CWorkerThread() {
    g_liveWorkers.fetch_sub(1, std::memory_order_release);
}

bool CWorkerThread::Resume(std::unique_ptr<CWorkerThread> worker) {
    if (!worker) {
        return false;
    }
    CWorkerThread* raw = worker.get();
    try {
        std::thread([raw] {
            std::unique_ptr<CWorkerThread> self(raw);
            self->ThreadMain();
        }).detach();
    } catch (const std::system_error&) {
        return false; // no thread: `worker` still owns the object and destroys it
    }
    worker.release(); // the thread owns it now
    return true;
}

void CWorkerThread::ThreadMain() {
    // Nothing may escape a thread function; a worker that runs out of memory just ends.
    try {
        if (InitInstance()) {
            m_nExitCode = Run();
        }
    } catch (const std::exception&) {
        m_nExitCode = -1;
    }
    try {
        m_nExitCode = ExitInstance();
    } catch (const std::exception&) {
        m_nExitCode = -1;
    }
}

int CWorkerThread::LiveCount() {
    return g_liveWorkers.load(std::memory_order_acquire);
}

bool CWorkerThread::WaitUntilNoneLive(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (LiveCount() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace hl
