#include "workers/RefreshStarter.h"

#include "workers/RefreshThread.h"

namespace hl {

RefreshStarter::RefreshStarter(WorkerContext context)
    : m_context(std::move(context)), m_pending(std::make_shared<PendingRefresh>()) {}

bool RefreshStarter::Start(int32_t showTcp, int32_t showUdp) {
    if (!m_pending->Offer(showTcp, showUdp)) {
        return true; // the waiting refresh will use these settings
    }
    auto worker = CWorkerThread::CreateSuspended<CRefreshThread>(m_context);
    worker->m_bShowTcp = showTcp;
    worker->m_bShowUdp = showUdp;
    worker->m_pPending = m_pending;
    if (!CWorkerThread::Resume(std::move(worker))) {
        m_pending->Withdraw();
        return false;
    }
    return true;
}

} // namespace hl
