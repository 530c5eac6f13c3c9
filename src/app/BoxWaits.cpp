#include "app/BoxWaits.h"

namespace hl {

uint64_t BoxWaits::Begin() {
    std::lock_guard lock(m_mutex);
    if (m_bClosed) {
        return 0;
    }
    const uint64_t wait = m_nNext++;
    m_waits.emplace(wait, std::nullopt);
    return wait;
}

void BoxWaits::Finish(uint64_t wait, bool result) {
    std::lock_guard lock(m_mutex);
    const auto found = m_waits.find(wait);
    if (found != m_waits.end() && !found->second) {
        found->second = result;
        m_changed.notify_all();
    }
}

bool BoxWaits::Wait(uint64_t wait) {
    std::unique_lock lock(m_mutex);
    const auto found = m_waits.find(wait);
    if (found == m_waits.end()) {
        return false;
    }
    m_changed.wait(lock, [&] { return m_bClosed || found->second.has_value(); });
    const bool result = found->second.value_or(false);
    m_waits.erase(found);
    return result;
}

void BoxWaits::Close() {
    std::lock_guard lock(m_mutex);
    m_bClosed = true;
    m_changed.notify_all();
}

bool BoxWaits::Closed() const {
    std::lock_guard lock(m_mutex);
    return m_bClosed;
}

} // namespace hl
