#pragma once

// Threads and sleeping: detached threads started by the runtime (the batch
// worker, the waiters of child processes) and a millisecond sleep.
//
// A thread runs its procedure between the registered thread hooks: each
// begin hook runs on the new thread before the procedure and its end hook
// after it (the object runtime keeps an autorelease pool open this way). The
// thread registry holds one record per running thread, from StartThread until
// the procedure returns or StopThread is called.
//
// Handles are never reused, so a handle kept after its thread ended is merely
// stale: StopThread and IsThreadRunning treat it as no thread.
//
// StopThread does not wait. The stopped thread ends at its next stop point:
// SleepMilliseconds or ThreadStopPoint. Between them it is never interrupted,
// so a thread is not torn down halfway through closing a file or in a
// destructor. Ending unwinds the thread's stack: destructors run and the end
// hooks too. Code on such a thread must let that unwinding pass (a catch (...)
// must rethrow).

#include <cstdint>
#include <functional>

namespace sondrel::core {

// Names a thread started here; 0 stands for no thread.
using ThreadHandle = std::uint64_t;

using ThreadProcedure = void (*)(std::intptr_t argument);

// Starts `procedure(argument)` on a new detached thread with a 1 MiB stack.
// Returns its handle, or 0 when the thread could not be started.
ThreadHandle StartThread(ThreadProcedure procedure, std::intptr_t argument);
ThreadHandle StartThread(std::function<void()> procedure);

// Asks the thread to end at its next stop point and forgets its record. A
// thread that already ended, 0 and unknown handles are ignored.
void StopThread(ThreadHandle thread);

// True while the thread's record is in the registry: it was started, its
// procedure has not returned and it was not stopped.
bool IsThreadRunning(ThreadHandle thread);

// Sleeps once (not resumed when a signal interrupts it); a stop point. A
// negative time counts as 0.
void SleepMilliseconds(std::int32_t milliseconds);

// Ends the calling thread here if StopThread was called for it.
void ThreadStopPoint();

// A pair of procedures run on every thread started from now on: `begin`
// before its procedure, returning a state handed to `end` after it (also when
// the thread is stopped). Hooks registered later run inside earlier ones.
struct ThreadHooks {
    void* (*begin)() = nullptr;
    void (*end)(void* state) = nullptr;
};
void RegisterThreadHooks(ThreadHooks hooks);

} // namespace sondrel::core
