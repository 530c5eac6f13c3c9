#include "workers/WorkerThread.h"

#include "WorkerTestSupport.h"
#include "workers/Locks.h"

#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace hl {
namespace {

using namespace test;

// What a probe worker saw, kept outside the worker because the worker deletes itself.
struct Probe {
    std::mutex mutex;
    std::string hooks;
    std::thread::id thread;
    bool destroyed = false;

    void Add(const std::string& hook) {
        std::lock_guard lock(mutex);
        hooks += hook;
        thread = std::this_thread::get_id();
    }
    std::string Hooks() {
        std::lock_guard lock(mutex);
        return hooks;
    }
};

class ProbeWorker : public CWorkerThread {
public:
    ProbeWorker(std::shared_ptr<Probe> probe, bool initResult)
        : m_probe(std::move(probe)), m_initResult(initResult) {}
    ~ProbeWorker() override {
        std::lock_guard lock(m_probe->mutex);
        m_probe->destroyed = true;
    }

protected:
    bool InitInstance() override {
        m_probe->Add("init ");
        return m_initResult;
    }
    int Run() override {
        m_probe->Add("run ");
        return 7;
    }
    int ExitInstance() override {
        m_probe->Add("exit(" + std::to_string(m_nExitCode) + ")");
        return CWorkerThread::ExitInstance();
    }

private:
    std::shared_ptr<Probe> m_probe;
    bool m_initResult;
};

TEST(WorkerThread, RunsItsHooksOnItsOwnThreadOnlyAfterResumeAndDeletesItself) {
    auto probe = std::make_shared<Probe>();
    auto worker = CWorkerThread::CreateSuspended<ProbeWorker>(probe, true);
    EXPECT_EQ(CWorkerThread::LiveCount(), 1);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(probe->Hooks(), "") << "a suspended worker must not run";

    ASSERT_TRUE(CWorkerThread::Resume(std::move(worker)));
    ASSERT_TRUE(AllWorkersEnded());
    std::lock_guard lock(probe->mutex);
    EXPECT_EQ(probe->hooks, "init run exit(7)");
    EXPECT_NE(probe->thread, std::this_thread::get_id());
    EXPECT_TRUE(probe->destroyed);
}

TEST(WorkerThread, FailedStartUpHookSkipsRunButStillEnds) {
    auto probe = std::make_shared<Probe>();
    ASSERT_TRUE(CWorkerThread::Resume(CWorkerThread::CreateSuspended<ProbeWorker>(probe, false)));
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(probe->Hooks(), "init exit(0)");
}

TEST(WorkerThread, WorkerThatIsNeverResumedIsDestroyedByItsCreator) {
    auto probe = std::make_shared<Probe>();
    { auto worker = CWorkerThread::CreateSuspended<ProbeWorker>(probe, true); }
    EXPECT_EQ(CWorkerThread::LiveCount(), 0);
    EXPECT_EQ(probe->Hooks(), "");
    EXPECT_TRUE(probe->destroyed);
}

TEST(Lock, RefreshAndCloseLocksAreProcessWideAndIndependent) {
    EXPECT_EQ(&RefreshLock(), &RefreshLock());
    EXPECT_EQ(&CloseLock(), &CloseLock());
    EXPECT_NE(&RefreshLock(), &CloseLock());

    std::lock_guard held(RefreshLock());
    auto probe = [] {
        const bool refreshFree = RefreshLock().try_lock();
        if (refreshFree) {
            RefreshLock().unlock();
        }
        const bool closeFree = CloseLock().try_lock();
        if (closeFree) {
            CloseLock().unlock();
        }
        return std::make_pair(refreshFree, closeFree);
    };
    auto [refreshFree, closeFree] = std::async(std::launch::async, probe).get();
    EXPECT_FALSE(refreshFree) << "another thread must wait for the refresh lock";
    EXPECT_TRUE(closeFree) << "the refresh lock must not hold up a close";
}

} // namespace
} // namespace hl
