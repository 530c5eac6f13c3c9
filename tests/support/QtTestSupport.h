#pragma once

// Helpers for tests that need the UI thread's events handled as the program's event loop
// does: at once, without the 10 ms pauses of QTest::qWaitFor.

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <utility>

namespace hl::test {

// Handles events until `condition` holds or `timeout` has passed; whether it holds.
template <typename P>
bool PumpUntil(P condition, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QEventLoop loop;
    QTimer tick; // wakes the wait below even when nothing else happens
    tick.start(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs `work` on a thread of its own while the UI thread goes on handling its events; the
// work's result.

template <typename F>
auto RunOnWorker(F work, std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    QEventLoop loop;
    auto result = std::async(std::launch::async, [&loop, work = std::move(work)]() mutable {
        auto value = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        return value;
    });
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    // The quit is posted just before the work's thread hands its value over.
    while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline) {
        loop.processEvents();
    }
    if (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        ADD_FAILURE() << "the worker did not finish in time";
        // Keep serving it, so that it can end and the test can report.
        while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            loop.processEvents();
        }
    }
    return result.get();
}

} // namespace hl::test
