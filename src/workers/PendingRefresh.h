#pragma once

#include <cstdint>
#include <mutex>

namespace hl {

// The one refresh that may wait behind the running one.
//
// A request either becomes that waiting refresh (the caller then starts a worker for it) or,
// when one is already waiting, only updates the settings it will use: the waiting refresh
// reads the tables after every request made so far, so the newest settings are the right
// ones. The waiting worker takes the settings once it holds the refresh lock and so stops
// waiting; the next request then starts a new worker. Thread-safe.
class PendingRefresh {
public:
    // True when a new worker must be started for this request; false when the waiting
    // refresh takes its settings.
    bool Offer(int32_t showTcp, int32_t showUdp);
    // The worker could not be started after all: nothing is waiting.
    void Withdraw();
    // Called by the waiting worker once it holds the refresh lock: the newest settings.
    void Take(int32_t& showTcp, int32_t& showUdp);

private:
    mutable std::mutex m_mutex;
    bool m_bWaiting = false;
    int32_t m_bShowTcp = 0;
    int32_t m_bShowUdp = 0;
};

} // namespace hl
