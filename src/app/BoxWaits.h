#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace hl {

// The threads waiting for their message boxes to be dismissed. Thread-safe. After Close()
// every wait, begun or waiting, ends at once with false.
class BoxWaits {
public:
    // A new wait, or 0 when closed.
    uint64_t Begin();
    // The box of `wait` was dismissed (true) or could not be shown (false).
    void Finish(uint64_t wait, bool result);
    // Blocks until `wait` is finished or the waits are closed; the result given to Finish,
    // false when closed first.
    bool Wait(uint64_t wait);
    void Close();
    bool Closed() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<uint64_t, std::optional<bool>> m_waits;
    uint64_t m_nNext = 1;
    bool m_bClosed = false;
};

} // namespace hl
