#pragma once

// Carrying calls from other threads to the main thread.
//
// Qt widgets, and so every native window, view and menu of this layer, belong to the thread that
// made the application object (the main thread). A call that reaches them from another thread
// (the batch worker changes gadgets and appends to the log) is carried to the main thread and run
// there, synchronously: the caller waits until it has run and sees its result.
//
// Order: calls waiting from all threads form one queue and run in the order they arrived, so the
// calls of one thread run in the order it made them. They run the next time the main thread
// handles Qt events (inside WaitEvent, or in any modal loop such as a message box). The main thread
// never waits for another thread here.
//
// A caller must not hold a lock that the main thread may take while it waits; the runtime's
// operations therefore carry their whole work (lookup included) to the main thread rather than
// taking their registry locks first.
//
// Before the application object exists, and after it is gone, calls run at once on the calling
// thread: there is then no main-thread GUI to protect. Stopping the courier turns new calls away
// first (they too run at once on their own threads) and then runs the calls already waiting, so
// a call made while the main thread stops is never left waiting.

#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Object.h"

namespace sondrel::appkit {

// True on the thread that owns the application object (and when there is none yet).
bool isMainThread();

// Runs `call` on the main thread and returns once it has run (see above).
void performOnMainThread(const std::function<void()>& call);

// performOnMainThread for calls with a result.
template <class F> auto onMainThread(F&& call) -> std::invoke_result_t<F&> {
    using Result = std::invoke_result_t<F&>;
    if (isMainThread())
        return call();
    if constexpr (std::is_void_v<Result>) {
        performOnMainThread([&] { call(); });
    } else {
        Result result{};
        performOnMainThread([&] { result = call(); });
        return result;
    }
}

// The thread policy of a registered method or factory (see platform/objc/MemberMethod.h): the
// whole call runs on the main thread, as onMainThread runs it. A class table names it for every
// message that reaches a widget; the messages without it are safe from any thread. What the call
// autoreleases on the main thread (its answer, often) goes to the sender's own pool, so that it
// lives as long as the sender expects rather than until the main thread's next drain.
struct OnMainThread {
    template <class F> static auto run(F&& call) -> std::invoke_result_t<F&> {
        if (isMainThread())
            return call();
        std::vector<objc::id> autoreleased;
        const auto handOver = [&] {
            for (objc::id object : autoreleased)
                objc::addToAutoreleasePool(object);
        };
        const auto pooled = [&] {
            const std::size_t level = objc::pushAutoreleasePool();
            struct Take {
                std::vector<objc::id>& into;
                std::size_t level;
                ~Take() { into = objc::takeAutoreleasePool(level); }
            } take{autoreleased, level};
            return call();
        };
        if constexpr (std::is_void_v<std::invoke_result_t<F&>>) {
            onMainThread(pooled);
            handOver();
        } else {
            auto result = onMainThread(pooled);
            handOver();
            return result;
        }
    }
};

// The root class's dealloc, for the class tables that register it OnMainThread: an object whose
// destructor takes widgets down is destroyed on the main thread, whichever thread released it.
void destroyInstance(objc::id self, objc::SEL);

// Made once by the application object on the main thread; ends with it (or, in tests, when
// stopped; it may then be started again).
void startMainThreadCourier();
void stopMainThreadCourier();

} // namespace sondrel::appkit
