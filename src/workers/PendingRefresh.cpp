#include "workers/PendingRefresh.h"

namespace hl {

bool PendingRefresh::Offer(int32_t showTcp, int32_t showUdp) {
    std::lock_guard lock(m_mutex);
    m_bShowTcp = showTcp;
    m_bShowUdp = showUdp;
    if (m_bWaiting) {
        return false;
    }
    m_bWaiting = true;
    return true;
}

void PendingRefresh::Withdraw() {
    std::lock_guard lock(m_mutex);
    m_bWaiting = false;
}

void PendingRefresh::Take(int32_t& showTcp, int32_t& showUdp) {
    std::lock_guard lock(m_mutex);
    showTcp = m_bShowTcp;
    showUdp = m_bShowUdp;
    m_bWaiting = false;
}

} // namespace hl
