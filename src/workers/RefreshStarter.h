#pragma once

#include "workers/PendingRefresh.h"
#include "workers/WorkerContext.h"

#include <cstdint>
#include <memory>

namespace hl {

// Starts refreshes of one connection list; the main window keeps one and calls Start for
// every refresh request (start-up, Refresh commands, timer ticks, the end of the Settings
// dialog). Start returns at once and never waits for a worker or a lock.
//
// At most one refresh waits behind the running one: a request made while one is already
// waiting starts no thread but hands its settings to the waiting refresh (the newest win).
// Every refresh empties the list and refills it whole, so the list ends with the rows of the
// last refresh that ran, read with the settings of the last request.
class RefreshStarter {
public:
    explicit RefreshStarter(WorkerContext context);

    // showTcp and showUdp are the current ShowTCP and ShowUDP settings; exactly 1 means on.
    // False only when no worker thread could be created; the request is dropped then.
    bool Start(int32_t showTcp, int32_t showUdp);

private:
    WorkerContext m_context;
    std::shared_ptr<PendingRefresh> m_pending;
};

} // namespace hl
