#include "runtime/windowing/EventQueue.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/core/BlockPool.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/RunLoop.h"

namespace sondrel::windowing {
namespace {

struct EventRecord {
    EventRecord* next;
    std::int32_t kind;
    std::uint32_t flags;
    std::int64_t object;
    std::int64_t window;
    std::uint64_t detail;
    void* data;
    EventDataRelease release;
};

struct CurrentEvent {
    std::int32_t kind = 0;
    std::int64_t object = 0;
    std::int64_t window = 0;
    std::uint64_t detail = 0;
    void* data = nullptr;
    EventDataRelease release = nullptr;
};

struct Binding {
    std::vector<EventBindingProcedure> procedures;
    std::int64_t window = -1;
};

struct EventFilter {
    EventFilterProcedure procedure;
    void* userValue;
};

constexpr std::int32_t kLargestMergedKind = 65535;
constexpr std::size_t kBindingBuckets = 1024;

struct EventQueue {
    std::recursive_mutex lock;
    core::BlockPoolPtr pool;
    EventRecord* head = nullptr;
    EventRecord* tail = nullptr;
    std::size_t count = 0;
    CurrentEvent current;
    std::unordered_map<std::string, Binding> bindings;
    std::vector<EventFilter> filters;
};

// Made on first use so that posts before InitEventQueue (or after EndEventQueue) still find a
// lock; never destroyed, as other threads may post while the process ends.
EventQueue& Queue() {
    static EventQueue* queue = new EventQueue;
    return *queue;
}

using Guard = std::lock_guard<std::recursive_mutex>;

std::string BindingKey(std::int32_t kind, std::int64_t window, std::int64_t object,
                       std::int64_t detail) {
    char key[96];
    std::snprintf(key, sizeof key, "%" PRId32 ":%" PRId64 ":%" PRId64 ":%" PRId64, kind, window,
                  object, detail);
    return key;
}

// Runs the procedures bound to the event, with the event as the current event meanwhile.
void RunBindings(EventQueue& queue, std::int32_t kind, std::int64_t object, std::int64_t window,
                 std::uint64_t detail, bool setCurrent) {
    if (queue.bindings.empty())
        return;
    const auto signedDetail = static_cast<std::int64_t>(detail);
    const std::string keys[] = {BindingKey(kind, window, object, signedDetail),
                                BindingKey(kind, window, object, -1),
                                BindingKey(kind, window, -1, -1), BindingKey(kind, -1, -1, -1),
                                BindingKey(kind, -1, object, signedDetail)};
    const CurrentEvent saved = queue.current;
    if (setCurrent)
        queue.current = CurrentEvent{kind, object, window, detail, nullptr, nullptr};
    for (const std::string& key : keys) {
        const auto found = queue.bindings.find(key);
        if (found == queue.bindings.end())
            continue;
        const std::vector<EventBindingProcedure> procedures = found->second.procedures;
        for (EventBindingProcedure procedure : procedures)
            procedure();
    }
    if (setCurrent)
        queue.current = saved;
}

// Releases what a record still holds when it leaves the queue without being taken.
void ReleaseRecordPayload(const EventRecord& record) {
    if (record.data != nullptr && record.release != nullptr)
        record.release(record.data);
    if (record.kind == WindowDropEvent || record.kind == GadgetDropEvent)
        FreeDropRecord(reinterpret_cast<DropRecord*>(record.detail));
}

bool ShouldWake(std::int32_t kind) {
    if (kind == MenuEvent)
        return true;
    if (kind == RepaintWindowEvent)
        return false;
    return !detail::NativeEventPending();
}

} // namespace

void InitEventQueue() {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    if (queue.pool == nullptr)
        queue.pool = core::CreateBlockPool(sizeof(EventRecord), 16, 256, core::kPoolWithoutLock);
    queue.bindings.reserve(kBindingBuckets);
}

void EndEventQueue() {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    while (EventRecord* record = queue.head) {
        queue.head = record->next;
        ReleaseRecordPayload(*record);
        core::ReturnPoolBlock(queue.pool.get(), record);
    }
    queue.tail = nullptr;
    queue.count = 0;
    queue.bindings.clear();
    queue.filters.clear();
}

bool QueueEvent(std::int32_t kind, std::int64_t object, std::int64_t window, std::uint64_t detail,
                void* data, EventDataRelease release, std::uint32_t flags) {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    if (ShouldWake(kind))
        WakeRunLoop();
    const bool deferred = (flags & kEventDeferred) != 0;
    const EventRecord* tail = queue.tail;
    const bool merged = tail != nullptr && kind <= kLargestMergedKind && !deferred &&
                        tail->kind == kind && tail->object == object && tail->window == window &&
                        tail->detail == detail;
    bool queued = merged;
    if (!merged) {
        auto* record = queue.pool == nullptr
                           ? nullptr
                           : static_cast<EventRecord*>(core::TakePoolBlock(queue.pool.get()));
        if (record == nullptr) {
            if (data != nullptr && release != nullptr)
                release(data);
        } else {
            *record = EventRecord{nullptr, kind, flags, object, window, detail, data, release};
            (queue.tail != nullptr ? queue.tail->next : queue.head) = record;
            queue.tail = record;
            ++queue.count;
            queued = true;
        }
    } else if (data != nullptr && release != nullptr) {
        release(data); // the tail record stands for this event; its own data is not needed
    }
    if (!deferred)
        RunBindings(queue, kind, object, window, detail, true);
    return queued;
}

bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object, std::uint64_t detail,
                  void* data) {
    return QueueEvent(kind, object, window, detail, data, nullptr,
                      kEventPostedByApp | kEventDeferred);
}

bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object,
                  std::uint64_t detail) {
    return PostAppEvent(kind, window, object, detail, nullptr);
}

bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object) {
    return PostAppEvent(kind, window, object, 0, nullptr);
}

bool PostAppEvent(std::int32_t kind) {
    return PostAppEvent(kind, 0, 0, 0, nullptr);
}

std::int64_t CurrentEventObject() {
    Guard guard(Queue().lock);
    return Queue().current.object;
}

std::int64_t CurrentEventWindow() {
    Guard guard(Queue().lock);
    return Queue().current.window;
}

std::uint64_t CurrentEventDetail() {
    Guard guard(Queue().lock);
    return Queue().current.detail;
}

std::int32_t CurrentEventKind() {
    Guard guard(Queue().lock);
    return Queue().current.kind;
}

std::int32_t PeekEventKind() {
    return PeekEvent(nullptr, nullptr, nullptr);
}

std::int32_t PeekEvent(std::int64_t* object, std::int64_t* window, std::uint64_t* detail) {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    const EventRecord* head = queue.head;
    if (head == nullptr)
        return 0;
    if (object != nullptr)
        *object = head->object;
    if (window != nullptr)
        *window = head->window;
    if (detail != nullptr)
        *detail = head->detail;
    return head->kind;
}

void DiscardWindowEvents(std::int64_t window) {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    EventRecord* kept = nullptr;
    EventRecord** link = &queue.head;
    while (EventRecord* record = *link) {
        if (record->window != window) {
            kept = record;
            link = &record->next;
            continue;
        }
        *link = record->next;
        --queue.count;
        ReleaseRecordPayload(*record);
        core::ReturnPoolBlock(queue.pool.get(), record);
    }
    queue.tail = kept;
}

void BindEvent(std::int32_t kind, std::int64_t window, std::int64_t object, std::int64_t detail,
               EventBindingProcedure procedure) {
    if (procedure == nullptr)
        return;
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    Binding& binding = queue.bindings[BindingKey(kind, window, object, detail)];
    binding.window = window;
    binding.procedures.push_back(procedure);
}

void DiscardWindowBindings(std::int64_t window) {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    std::erase_if(queue.bindings, [&](const auto& entry) { return entry.second.window == window; });
}

void AddEventFilter(EventFilterProcedure filter, void* userValue) {
    if (filter == nullptr)
        return;
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    queue.filters.push_back(EventFilter{filter, userValue});
}

void RemoveEventFilter(EventFilterProcedure filter, void* userValue) {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    std::erase_if(queue.filters, [&](const EventFilter& entry) {
        return entry.procedure == filter && entry.userValue == userValue;
    });
}

namespace detail {

std::int32_t TakeEvent() {
    EventQueue& queue = Queue();
    Guard guard(queue.lock);
    CurrentEvent& current = queue.current;
    current.kind = 0;
    if (current.data != nullptr && current.release != nullptr)
        current.release(current.data);
    current.data = nullptr;
    current.release = nullptr;
    current.detail = static_cast<std::uint64_t>(-1);
    EventRecord* record = queue.head;
    if (record == nullptr)
        return 0;
    current = CurrentEvent{record->kind,   record->object, record->window,
                           record->detail, record->data,   record->release};
    queue.head = record->next;
    if (queue.head == nullptr)
        queue.tail = nullptr;
    --queue.count;
    const bool deferred = (record->flags & kEventDeferred) != 0;
    core::ReturnPoolBlock(queue.pool.get(), record);
    if (deferred)
        RunBindings(queue, current.kind, current.object, current.window, current.detail, false);
    return current.kind;
}

bool FilterNativeEvent(void* nativeEvent) {
    std::vector<EventFilter> filters;
    {
        Guard guard(Queue().lock);
        filters = Queue().filters;
    }
    return std::any_of(filters.begin(), filters.end(), [&](const EventFilter& filter) {
        return filter.procedure(nativeEvent, filter.userValue) != 0;
    });
}

std::size_t QueuedEventCount() {
    Guard guard(Queue().lock);
    return Queue().count;
}

} // namespace detail
} // namespace sondrel::windowing
