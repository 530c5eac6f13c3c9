#include "QtTestSupport.h"
#include "uithread/UiCallPump.h"

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <new>
#include <thread>

namespace hl {
namespace {

using namespace std::chrono_literals;

using test::RunOnWorker;

TEST(UiCallQueue, CallsFromTheUiThreadRunAtOnce) {
    UiCallPump pump;
    int runs = 0;
    EXPECT_TRUE(pump.Queue()->Call([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(UiCallQueue, CallsFromAWorkerRunOnTheUiThreadWhileTheWorkerWaits) {
    UiCallPump pump;
    const auto uiThread = std::this_thread::get_id();
    auto queue = pump.Queue();
    const auto [ok, ranOn, callsSeen] = RunOnWorker([queue] {
        std::thread::id ranOn;
        int calls = 0;
        bool ok = true;
        for (int i = 0; i < 100; ++i) {
            ok &= queue->Call([&] {
                ranOn = std::this_thread::get_id();
                ++calls;
            });
        }
        // Every call has completed when Call returns: the counter is exact.
        return std::tuple(ok, ranOn, calls);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(ranOn, uiThread);
    EXPECT_EQ(callsSeen, 100);
}

TEST(UiCallQueue, ClosingReleasesAWaitingCallerAndFailsLaterCalls) {
    auto pump = std::make_unique<UiCallPump>();
    auto queue = pump->Queue();
    std::atomic<bool> ran{false};
    // The UI thread pumps no events here, so the call can only wait.
    auto waiting =
        std::async(std::launch::async, [queue, &ran] { return queue->Call([&] { ran = true; }); });
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(waiting.wait_for(0ms), std::future_status::timeout);

    pump.reset(); // the owner goes away
    ASSERT_EQ(waiting.wait_for(30s), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
    EXPECT_FALSE(ran);

    // Neither a worker nor the UI thread gets through a closed queue; the pending wake-up
    // that was posted to the gone receiver is dropped.
    EXPECT_FALSE(std::async(std::launch::async, [queue] { return queue->Call([] {}); }).get());
    EXPECT_FALSE(queue->Call([] {}));
    QCoreApplication::processEvents();
}

TEST(UiCallQueue, ACallThatRunsOutOfMemoryFailsWithoutTakingTheUiThreadDown) {
    UiCallPump pump;
    EXPECT_FALSE(pump.Queue()->Call([] { throw std::bad_alloc(); }));
    auto queue = pump.Queue();
    EXPECT_FALSE(RunOnWorker([queue] { return queue->Call([] { throw std::bad_alloc(); }); }));
    EXPECT_TRUE(RunOnWorker([queue] { return queue->Call([] {}); }));
}

} // namespace
} // namespace hl
