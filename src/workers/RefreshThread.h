#pragma once

#include "workers/PendingRefresh.h"
#include "workers/WorkerContext.h"
#include "workers/WorkerThread.h"

#include <cstdint>
#include <memory>

namespace hl {

// One refresh of the connection list: under the refresh lock it empties the list and refills
// it with the UDP endpoints and then the TCP connections (so TCP rows end on top), each only
// when its setting is exactly 1, each from the table with owning processes and, when that
// cannot be read, from the plain table. The rows are made off-screen and replace the list's
// rows in one step at the end.
class CRefreshThread : public CWorkerThread {
public:
    explicit CRefreshThread(WorkerContext context);

    std::shared_ptr<IListOps> m_pList;
    int32_t m_bShowTcp = 0;
    int32_t m_bShowUdp = 0;
    // When set, the worker stands for the waiting refresh of that slot and takes the newest
    // settings from it once it holds the lock, in place of the two fields above.
    std::shared_ptr<PendingRefresh> m_pPending;

protected:
    int Run() override;

private:
    void Refill();

    std::shared_ptr<ISystem> m_system;
    std::shared_ptr<ITraceSink> m_trace;
};

} // namespace hl
