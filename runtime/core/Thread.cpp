#include "runtime/core/Thread.h"

#include <csignal>
#include <ctime>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <pthread.h>

namespace sondrel::core {
namespace {

constexpr std::size_t kStackSize = 1024 * 1024;

struct ThreadRecord {
    ThreadHandle handle;
    pthread_t thread;
};

class ThreadRegistry {
public:
    std::recursive_mutex lock;
    std::list<ThreadRecord> records; // newest first
    ThreadHandle lastHandle = 0;

    std::mutex hooksLock;
    std::vector<ThreadHooks> hooks;

    std::list<ThreadRecord>::iterator find(ThreadHandle handle) {
        auto record = records.begin();
        while (record != records.end() && record->handle != handle) {
            ++record;
        }
        return record;
    }
};

ThreadRegistry& registry() {
    // Never destroyed: detached threads may still end while the process exits.
    static ThreadRegistry* const instance = std::make_unique<ThreadRegistry>().release();
    return *instance;
}

// What a new thread needs; owned by the thread once it runs.
struct ThreadStart {
    ThreadHandle handle;
    std::function<void()> procedure;
    std::vector<ThreadHooks> hooks;
};

// Lets a stop take effect inside its scope only.
class StopWindow {
public:
    StopWindow() { pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &m_previous); }
    StopWindow(const StopWindow&) = delete;
    StopWindow& operator=(const StopWindow&) = delete;
    ~StopWindow() { pthread_setcancelstate(m_previous, nullptr); }

private:
    int m_previous = PTHREAD_CANCEL_ENABLE;
};

// Runs the begin hooks and, when the thread leaves, the end hooks in reverse.
class HookScope {
public:
    explicit HookScope(const std::vector<ThreadHooks>& hooks) : m_hooks(hooks) {
        m_states.reserve(hooks.size());
        for (const ThreadHooks& hook : hooks) {
            m_states.push_back(hook.begin != nullptr ? hook.begin() : nullptr);
        }
    }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;
    ~HookScope() {
        for (std::size_t i = m_states.size(); i-- > 0;) {
            if (m_hooks[i].end != nullptr) {
                m_hooks[i].end(m_states[i]);
            }
        }
    }

private:
    const std::vector<ThreadHooks>& m_hooks;
    std::vector<void*> m_states;
};

// Takes the thread's record out of the registry when the thread leaves,
// unless StopThread already did.
class RecordScope {
public:
    explicit RecordScope(ThreadHandle handle) : m_handle(handle) {}
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;
    ~RecordScope() {
        ThreadRegistry& threads = registry();
        std::lock_guard guard(threads.lock);
        if (const auto record = threads.find(m_handle); record != threads.records.end()) {
            threads.records.erase(record);
        }
    }

private:
    ThreadHandle m_handle;
};

void* runThread(void* raw) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, nullptr);
    {
        // Waits until StartThread has finished filling in the record.
        std::lock_guard wait(registry().lock);
    }
    const RecordScope record(start->handle);
    const HookScope hooks(start->hooks);
    start->procedure();
    return nullptr;
}

void ignoreWakeSignal(int) {}

// A SIGUSR1 sent to a runtime thread interrupts its sleep (which is not
// resumed) instead of ending the process.
void installWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = &ignoreWakeSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGUSR1, &action, nullptr);
    });
}

class ThreadAttributes {
public:
    ThreadAttributes() {
        m_ready = pthread_attr_init(&m_attributes) == 0;
        if (m_ready) {
            m_ready = pthread_attr_setdetachstate(&m_attributes, PTHREAD_CREATE_DETACHED) == 0 &&
                      pthread_attr_setstacksize(&m_attributes, kStackSize) == 0;
        }
    }
    ThreadAttributes(const ThreadAttributes&) = delete;
    ThreadAttributes& operator=(const ThreadAttributes&) = delete;
    ~ThreadAttributes() { pthread_attr_destroy(&m_attributes); }

    bool ready() const { return m_ready; }
    const pthread_attr_t* get() const { return &m_attributes; }

private:
    pthread_attr_t m_attributes{};
    bool m_ready = false;
};

} // namespace

ThreadHandle StartThread(std::function<void()> procedure) {
    if (!procedure) {
        return 0;
    }
    installWakeHandler();
    ThreadRegistry& threads = registry();
    const ThreadAttributes attributes;
    if (!attributes.ready()) {
        return 0;
    }
    std::lock_guard guard(threads.lock);
    std::unique_ptr<ThreadStart> start;
    try {
        start = std::make_unique<ThreadStart>();
        start->procedure = std::move(procedure);
        {
            std::lock_guard hooksGuard(threads.hooksLock);
            start->hooks = threads.hooks;
        }
        start->handle = ++threads.lastHandle;
        threads.records.push_front(ThreadRecord{start->handle, pthread_t{}});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    pthread_t thread{};
    if (pthread_create(&thread, attributes.get(), &runThread, start.get()) != 0) {
        threads.records.pop_front();
        return 0;
    }
    threads.records.front().thread = thread;
    const ThreadHandle handle = start->handle;
    static_cast<void>(start.release()); // the thread owns it now
    return handle;
}

ThreadHandle StartThread(ThreadProcedure procedure, std::intptr_t argument) {
    if (procedure == nullptr) {
        return 0;
    }
    try {
        return StartThread(std::function<void()>([procedure, argument] { procedure(argument); }));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void StopThread(ThreadHandle thread) {
    ThreadRegistry& threads = registry();
    std::lock_guard guard(threads.lock);
    const auto record = threads.find(thread);
    if (record == threads.records.end()) {
        return; // ended already (its native handle may be gone), or never ours
    }
    // The thread cannot finish while its record is here and the lock is held.
    pthread_cancel(record->thread);
    threads.records.erase(record);
}

bool IsThreadRunning(ThreadHandle thread) {
    ThreadRegistry& threads = registry();
    std::lock_guard guard(threads.lock);
    return threads.find(thread) != threads.records.end();
}

void SleepMilliseconds(std::int32_t milliseconds) {
    const std::int32_t wait = milliseconds < 0 ? 0 : milliseconds;
    const timespec time{wait / 1000, static_cast<long>(wait % 1000) * 1000000L};
    const StopWindow window;
    nanosleep(&time, nullptr);
}

void ThreadStopPoint() {
    const StopWindow window;
    pthread_testcancel();
}

void RegisterThreadHooks(ThreadHooks hooks) {
    ThreadRegistry& threads = registry();
    std::lock_guard guard(threads.hooksLock);
    threads.hooks.push_back(hooks);
}

} // namespace sondrel::core
