#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace hl {

// A shared reference to an object that its owner can cut at any moment.
//
// Get() hands out the target as long as it is attached and an empty pointer after Detach().
// A caller keeps the pointer only for one call, so a call that began before Detach() finishes
// on an object that stays alive until it returns; Detach() itself waits for nobody. That
// matters because a call may be waiting for the very thread that detaches (a list operation
// carried out on the UI thread, a message box on screen).
template <typename T> class DetachableTarget {
public:
    explicit DetachableTarget(std::shared_ptr<T> target) : m_target(std::move(target)) {}

    std::shared_ptr<T> Get() const {
        std::lock_guard lock(m_mutex);
        return m_target;
    }

    void Detach() {
        std::shared_ptr<T> released;
        {
            std::lock_guard lock(m_mutex);
            released.swap(m_target);
        }
        // `released` lets go of the target outside the lock: its destructor may do anything.
    }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<T> m_target;
};

} // namespace hl
