#include "platform/appkit/MainThread.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace sondrel::appkit {
namespace {

constexpr auto kDrainEvent = static_cast<QEvent::Type>(QEvent::User + 0x4d54);

struct PendingCall {
    const std::function<void()>* call;
    bool done = false;
};

// The calls waiting for the main thread. Shared with the callers, so a caller that found the
// queue just before it stopped still talks to live memory.
class CallQueue {
public:
    explicit CallQueue(QObject* receiver) : m_receiver(receiver) {}

    // Waits until the main thread has run the call; false when the queue has stopped and the call
    // must run elsewhere.
    bool runOnMainThread(PendingCall& pending) {
        std::unique_lock lock(m_mutex);
        if (m_receiver == nullptr)
            return false;
        const bool wasEmpty = m_queue.empty();
        m_queue.push_back(&pending);
        if (wasEmpty)
            QCoreApplication::postEvent(m_receiver, new QEvent(kDrainEvent));
        m_doneCondition.wait(lock, [&] { return pending.done; });
        return true;
    }

    // Runs every waiting call, in arrival order (main thread only).
    void drain() {
        for (;;) {
            PendingCall* pending = nullptr;
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

    // Runs what is still waiting, then turns later calls away.
    void stop() {
        drain();
        std::lock_guard lock(m_mutex);
        m_receiver = nullptr;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_doneCondition;
    std::deque<PendingCall*> m_queue;
    QObject* m_receiver;
};

// Lives on the main thread; each posted drain event runs the waiting calls.
class Courier final : public QObject {
public:
    Courier() : m_calls(std::make_shared<CallQueue>(this)) {}
    ~Courier() override { m_calls->stop(); }

    const std::shared_ptr<CallQueue>& calls() const { return m_calls; }

    bool event(QEvent* event) override {
        if (event->type() != kDrainEvent)
            return QObject::event(event);
        m_calls->drain();
        return true;
    }

private:
    std::shared_ptr<CallQueue> m_calls;
};

std::mutex g_mutex;
std::unique_ptr<Courier> g_courier;
std::shared_ptr<CallQueue> g_calls;
std::thread::id g_mainThread;

} // namespace

bool isMainThread() {
    std::lock_guard lock(g_mutex);
    return g_calls == nullptr || std::this_thread::get_id() == g_mainThread;
}

void performOnMainThread(const std::function<void()>& call) {
    std::shared_ptr<CallQueue> calls;
    {
        std::lock_guard lock(g_mutex);
        if (g_calls != nullptr && std::this_thread::get_id() != g_mainThread)
            calls = g_calls;
    }
    PendingCall pending{&call};
    if (calls == nullptr || !calls->runOnMainThread(pending))
        call();
}

void startMainThreadCourier() {
    std::lock_guard lock(g_mutex);
    if (g_courier != nullptr)
        return;
    g_courier = std::make_unique<Courier>();
    g_calls = g_courier->calls();
    g_mainThread = std::this_thread::get_id();
}

void stopMainThreadCourier() {
    std::unique_ptr<Courier> courier;
    {
        std::lock_guard lock(g_mutex);
        courier = std::move(g_courier);
        g_calls.reset();
    }
    courier.reset(); // runs what is waiting, then refuses
}

} // namespace sondrel::appkit
