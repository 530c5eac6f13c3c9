#include "workers/RefreshThread.h"

#include "inventory/MemoryList.h"
#include "inventory/TableFill.h"
#include "platform/Heap.h"
#include "workers/Locks.h"

namespace hl {
namespace {

// Freeing this many rows is worth handing the freed pages back to the system.
constexpr size_t kLargeRows = 1000;

} // namespace

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
    // A list that is gone (its window has closed) gets no rows: reading the tables for it
    // would only waste the time the program needs to end.
    if (!m_pList->Alive()) {
        return;
    }
    // The refresh empties and fills a list of its own, which answers every operation as the
    // list on screen would, and then hands the finished rows over in one call: the list on
    // screen never stands empty, and no row costs a trip to the UI thread.
    ListRows finished;
    {
        MemoryList rows;
        rows.DeleteAllItems();
        // One view of the tables for the whole refresh.
        if (SystemView view = m_system->OpenView()) {
            FillTables(rows, *view.ipHelper, *view.processes, *m_trace, m_bShowTcp, m_bShowUdp);
        }
        finished = rows.TakeRows();
    }
    m_pList->ReplaceAllItems(finished);
    // `finished` now holds the rows that were shown before: they are freed here, off the UI
    // thread, and their pages go back to the system.
    const bool large = finished.size() >= kLargeRows;
    finished = ListRows();
    if (large) {
        ReleaseFreeHeap();
    }
}

} // namespace hl
