#pragma once

#include <chrono>
#include <memory>

namespace hl {

// A worker that runs on a thread of its own and deletes itself when that thread ends.
//
// A worker is created suspended (CreateSuspended gives it to the creator, who sets its fields)
// and is handed to Resume, which starts the thread. The thread runs InitInstance, then Run when
// InitInstance succeeded, then ExitInstance, and destroys the worker. Nobody waits for the
// thread: it is detached, so a worker that is still running never holds up the program's exit.
class CWorkerThread {
public:
    CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
    virtual ~CWorkerThread();

    template <typename Worker, typename... Args>
    static std::unique_ptr<Worker> CreateSuspended(Args&&... args) {
        return std::make_unique<Worker>(std::forward<Args>(args)...);
    }

    // Starts the worker's thread, which owns the worker from then on. False when no thread
    // could be created; the worker has been destroyed without running then.
    static bool Resume(std::unique_ptr<CWorkerThread> worker);

    // Worker objects that exist at this moment, suspended or running. A worker counts until
    // its destructor has finished, so at zero no worker touches anything any more.
    static int LiveCount();
    // Waits, polling, until LiveCount() is zero; false when that did not happen in time.
    static bool WaitUntilNoneLive(std::chrono::milliseconds timeout);

protected:
    // The start-up hook: Run follows only when it returns true.
    virtual bool InitInstance() { return true; }
    // The work itself; its result becomes the thread's exit code.
    virtual int Run() = 0;
    // The exit hook, called last on the thread whether Run ran or not; returns the exit code.
    virtual int ExitInstance() { return m_nExitCode; }

    int m_nExitCode = 0;

private:
    void ThreadMain();
};

} // namespace hl
