#include "platform/appkit/MainThread.h"

#include <memory>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/appkit/CallQueue.h"
#include "platform/objc/Runtime.h"

namespace sondrel::appkit {
namespace {

constexpr auto kDrainEvent = static_cast<QEvent::Type>(QEvent::User + 0x4d54);

// Lives on the main thread; each posted drain event runs the waiting calls.
//
// The drain event is made here, on the main thread, ahead of need, and a calling thread only
// posts it: the main thread then reads no memory another thread wrote, and a race detector sees
// a clean hand-over although it cannot see inside the toolkit's event posting. One event is in
// flight at most: while it waits, a call that finds no event to post is drained by it.
class Courier final : public QObject {
public:
    Courier()
        : m_nextEvent(std::make_unique<QEvent>(kDrainEvent)),
          m_calls(std::make_shared<CallQueue>([this] { postDrainEvent(); })) {}
    // Runs what is waiting and refuses what comes later, before the drain events can no longer
    // reach this object.
    ~Courier() override { m_calls->close(); }

    const std::shared_ptr<CallQueue>& calls() const { return m_calls; }

    bool event(QEvent* event) override {
        if (event->type() != kDrainEvent)
            return QObject::event(event);
        {
            // Before draining, so that a call arriving after the drain has looked finds an
            // event to post.
            std::lock_guard lock(m_eventMutex);
            m_nextEvent = std::make_unique<QEvent>(kDrainEvent);
        }
        m_calls->drain();
        return true;
    }

private:
    // A calling thread, under the queue's lock.
    void postDrainEvent() {
        std::lock_guard lock(m_eventMutex);
        if (m_nextEvent != nullptr)
            QCoreApplication::postEvent(this, m_nextEvent.release());
    }

    std::mutex m_eventMutex;
    std::unique_ptr<QEvent> m_nextEvent; // null while the posted one waits
    // Shared with the callers, so one that found the queue just before it closed still talks to
    // live memory.
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
    if (calls == nullptr || !calls->run(call))
        call();
}

void destroyInstance(objc::id self, objc::SEL) {
    objc::destroyObject(self);
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
    courier.reset(); // refuses later calls, then runs what is waiting
}

} // namespace sondrel::appkit
