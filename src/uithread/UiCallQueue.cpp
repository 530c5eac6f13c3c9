#include "uithread/UiCallQueue.h"

#include <QMetaObject>
#include <QObject>
#include <exception>

namespace hl {
namespace {

using Clock = std::chrono::steady_clock;

// How long one Drain may keep the UI thread before it lets events through.
constexpr auto kTimeSlice = std::chrono::milliseconds(8);
// A worker that fills the list makes its next call a few microseconds after the last one
// returned. Waiting that long for it, on either side, spares the sleep and the wake-up of a
// thread, which cost far more than the call itself.
constexpr auto kUiLinger = std::chrono::microseconds(100);
constexpr auto kCallerSpin = std::chrono::microseconds(50);

} // namespace

UiCallQueue::UiCallQueue() : m_uiThread(std::this_thread::get_id()) {}

bool UiCallQueue::Closed() const {
    std::lock_guard lock(m_mutex);
    return m_bClosed || m_receiver == nullptr;
}

void UiCallQueue::Open(QObject* receiver) {
    std::lock_guard lock(m_mutex);
    if (!m_bClosed) {
        m_receiver = receiver;
    }
}

void UiCallQueue::Close() {
    std::lock_guard lock(m_mutex);
    m_bClosed = true;
    m_receiver = nullptr;
    while (!m_queue.empty()) {
        Request* request = m_queue.front();
        m_queue.pop_front();
        FinishLocked(*request, false);
    }
    m_nQueued.store(0, std::memory_order_relaxed);
    m_doneSignal.notify_all();
}

bool UiCallQueue::Invoke(const Request& request) {
    try {
        request.invoke(request.context);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The caller may return as soon as it sees `done`: the request is not touched after.
void UiCallQueue::FinishLocked(Request& request, bool ok) {
    request.ok = ok;
    request.done.store(true, std::memory_order_release);
    if (m_nSleepers > 0) {
        m_doneSignal.notify_all();
    }
}

bool UiCallQueue::Run(void (*invoke)(void*), void* context) {
    Request request{invoke, context};
    if (OnUiThread()) {
        // Open and closed only change on this thread, so the receiver cannot go away
        // during the call.
        if (Closed()) {
            return false;
        }
        return Invoke(request);
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed || m_receiver == nullptr) {
            return false;
        }
        m_queue.push_back(&request);
        m_nQueued.fetch_add(1, std::memory_order_release);
        WakeLocked();
    }
    const auto spinUntil = Clock::now() + kCallerSpin;
    while (!request.done.load(std::memory_order_acquire) && Clock::now() < spinUntil) {
        std::this_thread::yield();
    }
    if (!request.done.load(std::memory_order_acquire)) {
        std::unique_lock lock(m_mutex);
        ++m_nSleepers;
        m_doneSignal.wait(lock,
                          [&request] { return request.done.load(std::memory_order_acquire); });
        --m_nSleepers;
    }
    return request.ok;
}

// Posting under the mutex keeps the receiver alive while it is posted to: Close() takes the
// same mutex before the receiver is destroyed.
void UiCallQueue::WakeLocked() {
    if (m_bWakePending || m_bDraining || m_receiver == nullptr) {
        return;
    }
    m_bWakePending = true;
    QMetaObject::invokeMethod(
        m_receiver, [this] { Drain(); }, Qt::QueuedConnection);
}

bool UiCallQueue::LingerForNext(Clock::time_point deadline) {
    const auto until = std::min(deadline, Clock::now() + kUiLinger);
    while (m_nQueued.load(std::memory_order_acquire) == 0) {
        if (Clock::now() >= until) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

void UiCallQueue::Drain() {
    const auto deadline = Clock::now() + kTimeSlice;
    std::unique_lock lock(m_mutex);
    m_bWakePending = false;
    m_bDraining = true;
    while (!m_bClosed) {
        if (m_queue.empty()) {
            lock.unlock();
            const bool more = LingerForNext(deadline);
            lock.lock();
            if (!more) {
                break;
            }
            continue;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        Request* request = m_queue.front();
        m_queue.pop_front();
        m_nQueued.fetch_sub(1, std::memory_order_relaxed);
        lock.unlock();
        const bool ok = Invoke(*request);
        lock.lock();
        FinishLocked(*request, ok);
    }
    m_bDraining = false;
    // Calls that came in after the time slice or during the last look wait for the next turn.
    if (!m_queue.empty()) {
        WakeLocked();
    }
}

} // namespace hl
