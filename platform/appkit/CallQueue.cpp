#include "platform/appkit/CallQueue.h"

namespace sondrel::appkit {

bool CallQueue::run(const std::function<void()>& call) {
    Pending pending{&call};
    std::unique_lock lock(m_mutex);
    if (m_closed)
        return false;
    const bool wasEmpty = m_queue.empty();
    m_queue.push_back(&pending);
    if (wasEmpty)
        m_wake();
    m_doneCondition.wait(lock, [&] { return pending.done; });
    return true;
}

void CallQueue::drain() {
    for (;;) {
        Pending* pending = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty())
                return;
            pending = m_queue.front();
            m_queue.pop_front();
        }
        (*pending->call)();
        {
            std::lock_guard lock(m_mutex);
            pending->done = true;
        }
        m_doneCondition.notify_all();
    }
}

void CallQueue::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    // Nothing can join the queue any more, so this drain leaves it empty for good.
    drain();
}

} // namespace sondrel::appkit
