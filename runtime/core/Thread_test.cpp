#include "runtime/core/Thread.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace sondrel::core {
namespace {

using namespace std::chrono_literals;

// Polls until `done` holds; false after 10 s (a hung thread fails the test).
template <typename Predicate> bool eventually(Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::atomic<std::intptr_t> gReceived{0};

TEST(Thread, RunsTheProcedureAndLeavesNoRecord) {
    const ThreadHandle thread =
        StartThread([](std::intptr_t argument) { gReceived = argument; }, std::intptr_t{1234});
    ASSERT_NE(thread, 0u);
    EXPECT_TRUE(eventually([] { return gReceived == 1234; }));
    EXPECT_TRUE(eventually([&] { return !IsThreadRunning(thread); }));
    EXPECT_EQ(StartThread(nullptr, 0), 0u);
    EXPECT_EQ(StartThread(std::function<void()>()), 0u);
}

TEST(Thread, StopEndsAThreadAtItsNextSleepAndUnwindsIt) {
    struct Guard {
        std::atomic<bool>* flag;
        ~Guard() { *flag = true; }
    };
    std::atomic<bool> sleeping{false};
    std::atomic<bool> unwound{false};
    std::atomic<bool> returned{false};
    const ThreadHandle thread = StartThread([&] {
        const Guard guard{&unwound};
        for (;;) {
            sleeping = true;
            SleepMilliseconds(5);
        }
        returned = true;
    });
    ASSERT_TRUE(eventually([&] { return sleeping.load(); }));
    EXPECT_TRUE(IsThreadRunning(thread));
    StopThread(thread);
    EXPECT_FALSE(IsThreadRunning(thread));
    EXPECT_TRUE(eventually([&] { return unwound.load(); }));
    EXPECT_FALSE(returned);
}

TEST(Thread, StopWaitsForAStopPoint) {
    std::atomic<bool> go{false};
    std::atomic<bool> started{false};
    std::atomic<bool> workDone{false};
    std::atomic<bool> afterStopPoint{false};
    const ThreadHandle thread = StartThread([&] {
        started = true;
        while (!go) {
            std::this_thread::yield(); // busy: never interrupted here
        }
        workDone = true;
        ThreadStopPoint();
        afterStopPoint = true;
    });
    ASSERT_TRUE(eventually([&] { return started.load(); }));
    StopThread(thread);
    go = true;
    EXPECT_TRUE(eventually([&] { return workDone.load(); }));
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(afterStopPoint);
}

TEST(Thread, StoppingAnEndedOrUnknownThreadIsHarmless) {
    const ThreadHandle ended = StartThread([] {});
    ASSERT_TRUE(eventually([&] { return !IsThreadRunning(ended); }));
    std::this_thread::sleep_for(10ms); // let it leave completely
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    const ThreadHandle running = StartThread([&] {
        while (!stop) {
            std::this_thread::sleep_for(1ms);
        }
        finished = true;
    });
    EXPECT_NE(running, ended); // handles are never reused
    StopThread(ended);
    StopThread(ended);
    StopThread(0);
    StopThread(ended + 1000);
    EXPECT_TRUE(IsThreadRunning(running)); // nobody else was hit
    stop = true;
    EXPECT_TRUE(eventually([&] { return finished.load(); }));
    EXPECT_TRUE(eventually([&] { return !IsThreadRunning(running); }));
}

std::atomic<int> gBegun{0};
std::atomic<int> gEnded{0};
thread_local int tHookState = 0;

TEST(Thread, HooksSurroundTheProcedureAlsoWhenStopped) {
    static std::once_flag once; // hooks stay registered for the process
    std::call_once(once, [] {
        RegisterThreadHooks({[]() -> void* {
                                 ++gBegun;
                                 tHookState = 1;
                                 return &tHookState;
                             },
                             [](void* state) {
                                 EXPECT_EQ(state, &tHookState); // same thread, own state
                                 ++gEnded;
                             }});
    });
    // Wait for the threads of earlier tests, which run the hooks too.
    std::this_thread::sleep_for(20ms);
    gBegun = 0;
    gEnded = 0;
    std::promise<int> seen;
    StartThread([&] { seen.set_value(tHookState); });
    EXPECT_EQ(seen.get_future().get(), 1); // begin ran first, on the new thread
    EXPECT_TRUE(eventually([] { return gEnded == 1; }));

    std::atomic<bool> sleeping{false};
    const ThreadHandle stopped = StartThread([&] {
        sleeping = true;
        SleepMilliseconds(60000);
    });
    ASSERT_TRUE(eventually([&] { return sleeping.load(); }));
    StopThread(stopped);
    EXPECT_TRUE(eventually([] { return gEnded == 2; }));
    EXPECT_EQ(gBegun, 2);
}

TEST(Thread, SleepMillisecondsSleepsSecondsAndMilliseconds) {
    auto start = std::chrono::steady_clock::now();
    SleepMilliseconds(1005);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1005ms);
    start = std::chrono::steady_clock::now();
    SleepMilliseconds(-5);
    SleepMilliseconds(0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
} // namespace sondrel::core
