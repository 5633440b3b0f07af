#pragma once

// The process-wide event queue: every event the program reacts to (menu choices, close buttons,
// gadget activity, drops, window changes, posts from other threads) is one record taken in order
// by WaitEvent (RunLoop.h).
//
// Posting (QueueEvent) merges an event into the tail record when both are equal and the event is
// neither deferred nor of a kind above 65535, so repeats are dropped only when nothing else arrived
// in between. PostAppEvent is the form for other threads: its events are deferred, so they are
// never merged and their bindings run on the thread that takes them.
//
// Every queue operation holds one recursive lock; any thread may post, peek or discard. The
// current event (the record taken last) belongs to the thread that runs WaitEvent.

#include <cstdint>

namespace sondrel::windowing {

// Event kinds.
enum EventKind : std::int32_t {
    MenuEvent = 1,
    CloseWindowEvent = 2,
    GadgetEvent = 3,
    RepaintWindowEvent = 4,
    MoveWindowEvent = 5,
    SizeWindowEvent = 6,
    ActivateWindowEvent = 7,
    DeactivateWindowEvent = 8,
    WindowDropEvent = 10,
    GadgetDropEvent = 11,
    MinimizeWindowEvent = 12,
    MaximizeWindowEvent = 13,
    RestoreWindowEvent = 14,
    RightClickEvent = 16,
    LeftClickEvent = 17,
    LeftDoubleClickEvent = 18,
};

// Event flags: bit 1 marks a deferred post; bit 0 is set by PostAppEvent and has no other use.
inline constexpr std::uint32_t kEventPostedByApp = 1;
inline constexpr std::uint32_t kEventDeferred = 2;

// Called with an event's data when the event stops being the current event.
using EventDataRelease = void (*)(void* data);
// Called for a bound event pattern; the current event is the event being bound.
using EventBindingProcedure = void (*)();

// Creates the queue's record pool, the binding table and the lock; call once at start-up before
// any window exists. Calling it again does nothing.
void InitEventQueue();
// Frees every queued record (releasing data and drop records) and the binding table.
void EndEventQueue();

// Appends an event (see above). Returns false when no record could be had (memory exhausted): the
// event is then lost, and its data is released so it does not leak.
bool QueueEvent(std::int32_t kind, std::int64_t object, std::int64_t window, std::uint64_t detail,
                void* data = nullptr, EventDataRelease release = nullptr, std::uint32_t flags = 0);

// QueueEvent with flags 3 (deferred): the form used from other threads. Note the order: window
// before object.
bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object, std::uint64_t detail,
                  void* data);
bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object,
                  std::uint64_t detail);
bool PostAppEvent(std::int32_t kind, std::int64_t window, std::int64_t object);
bool PostAppEvent(std::int32_t kind);

// The current event: the record taken last. After an empty take the kind is 0, the detail -1, and
// object and window keep their previous values.
std::int64_t CurrentEventObject();
std::int64_t CurrentEventWindow();
std::uint64_t CurrentEventDetail();
std::int32_t CurrentEventKind();

// The oldest queued event, left in the queue: its kind, or 0 when the queue is empty (the outputs
// are then untouched). Outputs may be null.
std::int32_t PeekEventKind();
std::int32_t PeekEvent(std::int64_t* object, std::int64_t* window, std::uint64_t* detail);

// Removes every queued event of the window, keeping the order of the others. Their data and drop
// records are released (they would otherwise leak).
void DiscardWindowEvents(std::int64_t window);

// The event binding table: procedures run when an event matching a pattern is posted (or, for a
// deferred post, taken). -1 in a pattern field stands for any value. Patterns are looked up for
// (window, object, detail), (window, object, any), (window, any, any), (any, any, any) and
// (any, object, detail) in that order.
void BindEvent(std::int32_t kind, std::int64_t window, std::int64_t object, std::int64_t detail,
               EventBindingProcedure procedure);
// Removes every binding whose pattern names this window.
void DiscardWindowBindings(std::int64_t window);

// Native events offered to the filters before the runtime handles them in WaitEvent; a filter
// that returns non-zero consumes the event. `nativeEvent` is the NSEvent.
using EventFilterProcedure = int (*)(void* nativeEvent, void* userValue);
void AddEventFilter(EventFilterProcedure filter, void* userValue);
void RemoveEventFilter(EventFilterProcedure filter, void* userValue);

namespace detail {
// Takes the oldest event into the current event (releasing the previous current event's data
// first); returns its kind, 0 when the queue was empty.
std::int32_t TakeEvent();
// Offers a native event to the filters; true when one consumed it.
bool FilterNativeEvent(void* nativeEvent);
// Number of queued records (for tests and benchmarks).
std::size_t QueuedEventCount();
} // namespace detail

} // namespace sondrel::windowing
