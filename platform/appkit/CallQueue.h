#pragma once

// Calls that other threads hand to one thread (the main thread) and wait for.
//
// A caller queues its call and waits until the owning thread has run it; the owning thread runs
// the waiting calls in the order they arrived whenever it drains the queue. The queue knows
// nothing of how the owning thread is woken: it calls `wake` when a call arrives at an empty
// queue, under its lock, so `wake` must not call back into the queue.
//
// Closing is the queue's end: from the moment close() begins, a new call is refused at once (the
// caller gets false and nothing has run), and the calls already waiting still run on the owning
// thread before close() returns. No caller is ever left waiting for a thread that no longer
// drains, however its call and the close cross.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace sondrel::appkit {

class CallQueue {
public:
    explicit CallQueue(std::function<void()> wake) : m_wake(std::move(wake)) {}
    CallQueue(const CallQueue&) = delete;
    CallQueue& operator=(const CallQueue&) = delete;

    // Any thread but the owning one: waits until `call` has run on the owning thread and answers
    // true; answers false at once, without running it, when the queue is closed.
    bool run(const std::function<void()>& call);

    // The owning thread: runs every waiting call, including those that arrive meanwhile.
    void drain();

    // The owning thread: refuses later calls, then runs the ones waiting.
    void close();

private:
    struct Pending {
        const std::function<void()>* call;
        bool done = false;
    };

    std::function<void()> m_wake;
    std::mutex m_mutex;
    std::condition_variable m_doneCondition;
    std::deque<Pending*> m_queue;
    bool m_closed = false;
};

} // namespace sondrel::appkit
