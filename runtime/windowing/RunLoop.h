#pragma once

// The application object and the run loop under WaitEvent.
//
// WaitEvent returns the next program event; when none is queued it takes one native event from
// the application (see NSApplication: Qt's event loop runs meanwhile, and every window, menu,
// gadget and drop callback it dispatches posts its events), lets the runtime's key handling see
// it, dispatches it and returns what that produced. A key press that matches a shortcut of its
// window posts that shortcut's MenuEvent and goes no further; Command with x, c, v, z, a (and
// Command+Shift with Z) edits the focused text widget even with no Edit menu.
//
// WaitEvent, InitApplication and the native callbacks run on the main thread; any thread may
// post (EventQueue.h), and a post wakes a blocked WaitEvent, which returns the posted event.

#include <cstdint>

namespace sondrel::windowing {

// Start-up of the native application: the shared NSApplication (and so Qt), the menu delegate,
// the application menu and the default menu bar, and the application delegate. Call once on the
// main thread after InitGadgets, InitEventQueue, InitWindows and InitMenus.
void InitApplication();

// The kind of the event now current; 0 when the timeout (milliseconds; negative waits for ever)
// passed with nothing; -1 when one native event was handled and produced no program event (the
// caller simply waits again). A drop event's record stays readable until the next call.
std::int32_t WaitEvent(std::int32_t timeout = -1);

// Makes a blocked native wait return (from any thread).
void WakeRunLoop();

// The whole library, in its start-up order, and its end (frees every gadget, window and menu bar
// and the queue).
void InitWindowingLibrary();
void EndWindowingLibrary();

namespace detail {
// True when the application has a native event queued (from any thread; takes nothing).
bool NativeEventPending();
} // namespace detail

} // namespace sondrel::windowing
