#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <type_traits>

class QObject;

namespace hl {

// Carries calls from any thread to the UI thread, each synchronously: Call returns once the
// UI thread has run the call. A call made on the UI thread itself runs at once.
//
// The queue is shared between the UI object that owns it (its receiver, see UiCallPump) and
// the callers; after Close(), which the receiver does when it is destroyed, every call fails
// at once, including those waiting at that moment, so no caller blocks or touches the gone
// object. The UI thread never waits for a caller.
class UiCallQueue {
public:
    // Made on the UI thread, whose id it records.
    UiCallQueue();
    UiCallQueue(const UiCallQueue&) = delete;
    UiCallQueue& operator=(const UiCallQueue&) = delete;

    // Runs `call` on the UI thread. True when it ran; false when the queue is closed (or the
    // call ran out of memory).
    template <typename F> bool Call(F&& call) {
        using Fn = std::remove_reference_t<F>;
        return Run([](void* context) { (*static_cast<Fn*>(context))(); }, &call);
    }

    bool OnUiThread() const { return std::this_thread::get_id() == m_uiThread; }
    bool Closed() const;

    // UI thread only. The receiver is the object whose thread runs the calls.
    void Open(QObject* receiver);
    void Close();
    // Runs the waiting calls; the receiver does this when it is woken. It gives the thread
    // back after a time slice and wakes itself again for the rest, so a stream of calls
    // never holds up painting and input.
    void Drain();

private:
    struct Request {
        void (*invoke)(void*);
        void* context;
        bool ok = false;
        std::atomic<bool> done{false}; // set last: `ok` is valid once it is seen
    };

    bool Run(void (*invoke)(void*), void* context);
    void WakeLocked();
    static bool Invoke(const Request& request);
    void FinishLocked(Request& request, bool ok);
    bool LingerForNext(std::chrono::steady_clock::time_point deadline);

    mutable std::mutex m_mutex;
    std::condition_variable m_doneSignal;
    std::deque<Request*> m_queue;
    QObject* m_receiver = nullptr;
    bool m_bClosed = false;
    bool m_bWakePending = false;
    bool m_bDraining = false;      // the UI thread is in Drain and sees new calls itself
    int m_nSleepers = 0;           // callers blocked on m_doneSignal
    std::atomic<int> m_nQueued{0}; // m_queue.size(), readable without the mutex
    const std::thread::id m_uiThread;
};

} // namespace hl
