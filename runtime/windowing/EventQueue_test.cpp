#include "runtime/windowing/EventQueue.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::windowing {
namespace {

using testing::SeenEvent;
using Clock = std::chrono::steady_clock;

class EventQueueTest : public testing::WindowingTest {};

TEST_F(EventQueueTest, EqualPostsMergeOnlyAtTheTail) {
    QueueEvent(GadgetEvent, 4, 0, 768);
    QueueEvent(GadgetEvent, 4, 0, 768);
    EXPECT_EQ(detail::QueuedEventCount(), 1u);

    QueueEvent(GadgetEvent, 5, 0, 0);
    QueueEvent(GadgetEvent, 4, 0, 768); // something else came in between
    EXPECT_EQ(detail::QueuedEventCount(), 3u);

    // Posts from other threads are deferred and never merged; nor are kinds above 65535.
    PostAppEvent(GadgetEvent, 0, 4, 768);
    PostAppEvent(GadgetEvent, 0, 4, 768);
    QueueEvent(70000, 1, 1, 0);
    QueueEvent(70000, 1, 1, 0);
    EXPECT_EQ(detail::QueuedEventCount(), 7u);

    const std::vector<SeenEvent> events = Pump();
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0], (SeenEvent{GadgetEvent, 4, 0, 768}));
    EXPECT_EQ(events[1], (SeenEvent{GadgetEvent, 5, 0, 0}));
    EXPECT_EQ(events[3], (SeenEvent{GadgetEvent, 4, 0, 768}));
    EXPECT_EQ(events[6].kind, 70000);
}

TEST_F(EventQueueTest, PeekLooksWithoutTakingAndEmptyTakesResetKindAndDetail) {
    std::int64_t object = 99;
    std::int64_t window = 99;
    std::uint64_t detail = 99;
    EXPECT_EQ(PeekEvent(&object, &window, &detail), 0);
    EXPECT_EQ(object, 99); // untouched when nothing is queued

    QueueEvent(MenuEvent, 3, 7, 0);
    EXPECT_EQ(PeekEventKind(), MenuEvent);
    EXPECT_EQ(PeekEvent(&object, &window, &detail), MenuEvent);
    EXPECT_EQ(object, 3);
    EXPECT_EQ(window, 7);
    EXPECT_EQ(detail::QueuedEventCount(), 1u);

    EXPECT_EQ(WaitEvent(0), MenuEvent);
    EXPECT_EQ(CurrentEventObject(), 3);
    EXPECT_EQ(WaitProgramEvent(0), 0);
    EXPECT_EQ(CurrentEventKind(), 0);
    EXPECT_EQ(CurrentEventDetail(), static_cast<std::uint64_t>(-1));
    EXPECT_EQ(CurrentEventObject(), 3); // object and window keep their values
    EXPECT_EQ(CurrentEventWindow(), 7);
}

TEST_F(EventQueueTest, DiscardingAWindowKeepsTheOthersInOrder) {
    QueueEvent(MoveWindowEvent, 1, 1, 0);
    QueueEvent(MoveWindowEvent, 2, 2, 0);
    QueueEvent(SizeWindowEvent, 1, 1, 0);
    QueueEvent(SizeWindowEvent, 3, 3, 0);
    QueueEvent(MinimizeWindowEvent, 1, 1, 0);
    DiscardWindowEvents(1);
    EXPECT_EQ(detail::QueuedEventCount(), 2u);
    QueueEvent(RestoreWindowEvent, 4, 4, 0); // the tail must point at a kept record
    QueueEvent(RestoreWindowEvent, 4, 4, 0);

    const std::vector<SeenEvent> events = Pump();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].window, 2);
    EXPECT_EQ(events[1].window, 3);
    EXPECT_EQ(events[2].window, 4);
}

int g_bindingCalls = 0;
std::int64_t g_bindingObject = 0;
void CountBinding() {
    ++g_bindingCalls;
    g_bindingObject = CurrentEventObject();
}

TEST_F(EventQueueTest, BindingsRunAtPostOrAtTakeForDeferredPosts) {
    g_bindingCalls = 0;
    BindEvent(GadgetEvent, 9, -1, -1, &CountBinding);
    QueueEvent(GadgetEvent, 12, 9, 0);
    EXPECT_EQ(g_bindingCalls, 1); // at once, with the event as the current event
    EXPECT_EQ(g_bindingObject, 12);

    PostAppEvent(GadgetEvent, 9, 13, 0);
    EXPECT_EQ(g_bindingCalls, 1); // deferred: runs when taken
    Pump();
    EXPECT_EQ(g_bindingCalls, 2);
    EXPECT_EQ(g_bindingObject, 13);

    DiscardWindowBindings(9);
    QueueEvent(GadgetEvent, 14, 9, 0);
    EXPECT_EQ(g_bindingCalls, 2);
    Pump();
}

TEST_F(EventQueueTest, WaitWithTimeoutZeroOrShortReturnsInTime) {
    auto start = Clock::now();
    EXPECT_EQ(WaitEvent(0), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

    start = Clock::now();
    const std::int32_t kind = WaitProgramEvent(80);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(kind, 0);
    EXPECT_GE(waited, std::chrono::milliseconds(75));
    EXPECT_LT(waited, std::chrono::seconds(2));
}

TEST_F(EventQueueTest, PostFromAWorkerEndsABlockedWaitWithThatEvent) {
    std::thread worker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        PostAppEvent(GadgetEvent, 0, 4, 768);
    });
    const std::int32_t kind = WaitEvent(-1);
    worker.join();
    EXPECT_EQ(kind, GadgetEvent);
    EXPECT_EQ(CurrentEventObject(), 4);
    EXPECT_EQ(CurrentEventWindow(), 0);
    EXPECT_EQ(CurrentEventDetail(), 768u);
}

TEST_F(EventQueueTest, ManyEventsComeOutInOrder) {
    constexpr int kCount = 100000;
    for (int i = 0; i < kCount; ++i)
        QueueEvent(GadgetEvent, i, 0, 0);
    EXPECT_EQ(detail::QueuedEventCount(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(WaitEvent(0), GadgetEvent);
        ASSERT_EQ(CurrentEventObject(), i);
    }
    EXPECT_EQ(WaitProgramEvent(0), 0);
}

int g_released = 0;
void CountRelease(void*) {
    ++g_released;
}

TEST_F(EventQueueTest, EventDataIsReleasedWhenItStopsBeingCurrentOrIsDiscarded) {
    g_released = 0;
    int payload = 0;
    QueueEvent(GadgetEvent, 1, 1, 0, &payload, &CountRelease);
    QueueEvent(GadgetEvent, 2, 2, 0, &payload, &CountRelease);
    EXPECT_EQ(WaitEvent(0), GadgetEvent);
    EXPECT_EQ(g_released, 0);
    DiscardWindowEvents(2);
    EXPECT_EQ(g_released, 1);
    EXPECT_EQ(WaitProgramEvent(0), 0); // the current event's data goes at the next take
    EXPECT_EQ(g_released, 2);
}

} // namespace
} // namespace sondrel::windowing
