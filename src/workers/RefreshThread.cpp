#include "workers/RefreshThread.h"

#include "inventory/TableFill.h"
#include "workers/Locks.h"

namespace hl {

CRefreshThread::CRefreshThread(WorkerContext context)
    : m_pList(std::move(context.list)), m_system(std::move(context.system)),
      m_trace(std::move(context.trace)) {}

int CRefreshThread::Run() {
    std::lock_guard lock(RefreshLock());
    if (m_pPending) {
        m_pPending->Take(m_bShowTcp, m_bShowUdp);
    }
    Refill();
    return 0;
}

void CRefreshThread::Refill() {
    if (!m_pList || !m_system || !m_trace) {
        return;
    }
    // A list that cannot be emptied is gone (its window has closed): reading the tables for it
    // would only waste the time the program needs to end.
    if (!m_pList->DeleteAllItems()) {
        return;
    }
    // One view of the tables for the whole refresh.
    SystemView view = m_system->OpenView();
    if (!view) {
        return;
    }
    FillTables(*m_pList, *view.ipHelper, *view.processes, *m_trace, m_bShowTcp, m_bShowUdp);
}

} // namespace hl
