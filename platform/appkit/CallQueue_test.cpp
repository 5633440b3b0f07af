#include "platform/appkit/CallQueue.h"

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace sondrel::appkit {
namespace {

using namespace std::chrono_literals;

// Counts the wake-ups and lets the test wait for them, as the main thread's event loop would.
class Wakes {
public:
    std::function<void()> callback() {
        return [this] {
            std::lock_guard lock(m_mutex);
            ++m_count;
            m_changed.notify_all();
        };
    }
    bool waitFor(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 30s, [&] { return m_count >= count; });
    }
    int count() {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

TEST(CallQueue, CallsRunOnTheDrainingThreadInArrivalOrderAndTheCallerWaits) {
    Wakes wakes;
    CallQueue queue(wakes.callback());
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<int> ran; // touched by the owning thread only
    bool allOnOwner = true;
    std::function<void()> first = [&] {
        allOnOwner = allOnOwner && std::this_thread::get_id() == owner;
        ran.push_back(1);
    };
    std::function<void()> second = [&] {
        allOnOwner = allOnOwner && std::this_thread::get_id() == owner;
        ran.push_back(2);
    };
    bool firstDone = false;
    std::thread caller([&] {
        firstDone = queue.run(first); // returns only after the drain below ran it
        EXPECT_EQ(ran.size(), 1u);
        EXPECT_TRUE(queue.run(second));
    });
    EXPECT_TRUE(wakes.waitFor(1));
    queue.drain();
    EXPECT_TRUE(wakes.waitFor(2)); // the second call found the queue empty again
    queue.drain();
    caller.join();
    EXPECT_TRUE(firstDone);
    EXPECT_TRUE(allOnOwner);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    queue.close();
}

// The owning thread stops while another thread's call is running there, and a third thread calls
// in the middle of it. That late call must be refused at once: the owning thread is busy closing
// and will drain no more, so a call it accepted now could wait for ever.
TEST(CallQueue, ACallMadeWhileTheQueueClosesIsRefusedNotLeftWaiting) {
    Wakes wakes;
    CallQueue queue(wakes.callback());
    const std::thread::id owner = std::this_thread::get_id();
    std::thread::id earlyRanOn;
    bool lateRan = false;
    bool lateAnsweredDuringClose = false;
    std::promise<bool> lateAnswer;
    std::future<bool> lateFuture = lateAnswer.get_future();
    std::thread late;
    const std::function<void()> lateCall = [&] { lateRan = true; };
    const std::function<void()> earlyCall = [&] {
        earlyRanOn = std::this_thread::get_id();
        late = std::thread([&] { lateAnswer.set_value(queue.run(lateCall)); });
        // Bounded: with the late call accepted, its answer could come only after this returns.
        lateAnsweredDuringClose = lateFuture.wait_for(20s) == std::future_status::ready;
    };
    std::thread early([&] { EXPECT_TRUE(queue.run(earlyCall)); });
    EXPECT_TRUE(wakes.waitFor(1)); // the early call waits in the queue
    queue.close();
    early.join();
    late.join();
    EXPECT_EQ(earlyRanOn, owner) << "a call queued before the close still runs on the owner";
    EXPECT_TRUE(lateAnsweredDuringClose);
    EXPECT_FALSE(lateFuture.get()) << "the late call is refused";
    EXPECT_FALSE(lateRan) << "and the queue did not run it";
    EXPECT_FALSE(queue.run(lateCall)); // closed for good, without waking anyone
    EXPECT_EQ(wakes.count(), 1);
}

} // namespace
} // namespace sondrel::appkit
