#pragma once

// Windows: numbered runtime objects wrapping a native window of class RTWindow.
//
// Every native notification of a window and every click on its content view becomes an event
// of the queue (EventQueue.h). Coordinates given by the program are top-down: a window's y is
// the distance from the top of the main screen to the top of its frame (title bar included) and
// its x the left edge of its content; the content view is flipped, so gadget coordinates grow
// downwards from the top of the content area too. The close button never closes a window: it
// posts CloseWindowEvent and the program decides.
//
// Operations called from another thread are carried out on the main thread, in order; the
// gadget list (GadgetList.h) that CreateWindow makes current is the calling thread's.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::appkit {
class NSWindowObject;
}

namespace sondrel::windowing {

// Window flags of CreateWindow.
enum WindowFlags : std::uint32_t {
    WindowHidden = 0x1,
    WindowResizable = 0x2,
    WindowCloseButton = 0x4,
    WindowTitleBar = 0x8,
    WindowZoomButton = 0x10,
    WindowMinimizeButton = 0x20,
    WindowScreenCentered = 0x40,
    WindowBorderless = 0x80,
    WindowParentCentered = 0x100,
    WindowStartZoomed = 0x200,
    WindowStartMinimized = 0x400,
    WindowNoGadgetList = 0x1000,
    WindowNoActivate = 0x2000,
};

// Stands for an absent position or size.
inline constexpr std::int32_t kAbsentCoordinate = -65535;

// The native style mask for the flags (after 0x10 and 0x20 have added 0x4).
std::uint64_t WindowStyleMask(std::uint32_t flags);

// Creates the window registry; call once at start-up (after InitEventQueue).
void InitWindows();
// Closes every window.
void EndWindows();

// Opens a window. Result: for AnyObjectNumber the new window number; for a fixed number the
// native window (as an integer); 0 when the native window could not be made. A fixed number in
// use closes the window there first.
std::int64_t CreateWindow(core::ObjectNumber number, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height, core::TextView title,
                          std::uint32_t flags = WindowCloseButton,
                          appkit::NSWindowObject* parent = nullptr);

// Closes the window (-1: every window). Key status goes back to the window that was key when
// this one opened, if that one is still visible. Unknown numbers are ignored.
void CloseWindowObject(core::ObjectNumber number);

// The native window, or null for an unknown number.
appkit::NSWindowObject* WindowHandle(core::ObjectNumber number);

// Keeps the window above all others (non-zero) or at the normal level.
void SetWindowSticky(core::ObjectNumber number, std::int32_t sticky);

// Gives the window a new title (empty text: none). Unknown numbers are ignored.
void SetWindowTitle(core::ObjectNumber number, core::TextView title);

// The window number of a runtime window, -1 for any other window (or null).
std::int64_t WindowNumberFromNative(const void* window);

} // namespace sondrel::windowing
