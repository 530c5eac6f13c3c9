#pragma once

// Runs a piece of work on a thread of its own while the UI thread goes on handling its events,
// as it does in the program: calls the work makes to the UI thread are carried out at once.

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <utility>

namespace hl::test {

template <typename F>
auto RunOnWorker(F work, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    QEventLoop loop;
    auto result = std::async(std::launch::async, [&loop, work = std::move(work)]() mutable {
        auto value = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        return value;
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
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
