#include "platform/appkit/MainThread.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"

namespace sondrel::appkit {
namespace {

TEST(MainThread, CallsFromOtherThreadsRunOnTheMainThreadInTheirOrder) {
    NSApplicationObject::shared();
    ASSERT_TRUE(isMainThread());
    const std::thread::id mainId = std::this_thread::get_id();

    constexpr int kThreads = 3;
    constexpr int kCalls = 50;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> finished = 0;
    std::atomic<bool> allOnMain = true;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            EXPECT_FALSE(isMainThread());
            for (int i = 0; i < kCalls; ++i) {
                const int echoed = onMainThread([&] {
                    if (std::this_thread::get_id() != mainId)
                        allOnMain = false;
                    seen[t].push_back(i); // only the main thread touches `seen`
                    return i * 2;
                });
                EXPECT_EQ(echoed, i * 2); // the caller sees the result
            }
            ++finished;
        });
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (finished < kThreads && std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_TRUE(allOnMain);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kCalls));
        for (int i = 0; i < kCalls; ++i)
            EXPECT_EQ(seen[t][i], i);
    }
}

TEST(MainThread, CallsOnTheMainThreadRunAtOnceEvenNested) {
    NSApplicationObject::shared();
    int depth = 0;
    performOnMainThread([&] {
        ++depth;
        performOnMainThread([&] { ++depth; });
    });
    EXPECT_EQ(depth, 2);
}

TEST(MainThread, OnceStoppedCallsRunOnTheirOwnThreadAndAStartedCourierCarriesThemAgain) {
    NSApplicationObject::shared();
    std::thread::id ranOn;
    std::thread stopped([&] { performOnMainThread([&] { ranOn = std::this_thread::get_id(); }); });
    stopMainThreadCourier(); // may cross the call above: it runs here or on its thread, never waits
    stopped.join();
    EXPECT_NE(ranOn, std::thread::id());
    std::thread after([&] {
        EXPECT_TRUE(isMainThread()); // no main thread to carry calls to
        performOnMainThread([&] { ranOn = std::this_thread::get_id(); });
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    });
    after.join();

    startMainThreadCourier();
    const std::thread::id mainId = std::this_thread::get_id();
    std::atomic<bool> done = false;
    std::thread carried([&] {
        EXPECT_FALSE(isMainThread());
        performOnMainThread([&] { ranOn = std::this_thread::get_id(); });
        done = true;
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    carried.join();
    EXPECT_EQ(ranOn, mainId);
}

} // namespace
} // namespace sondrel::appkit
