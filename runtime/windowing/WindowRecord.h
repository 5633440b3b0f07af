#pragma once

// The window registry's records, shared by the modules of this library (windows, shortcuts,
// menus, gadgets). Not for programs: they name windows by number.

#include <vector>

#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/windowing/Shortcuts.h"

namespace sondrel::windowing {

class RTWindowEventsObject;

struct WindowRecord {
    appkit::NSWindowObject* window = nullptr; // null marks a free slot
    appkit::NSWindowObject* parent = nullptr;
    RTWindowEventsObject* delegate = nullptr; // owned: released in windowWillClose:
    std::vector<appkit::Retained<RTShortcutObject>> shortcuts; // in binding order
    appkit::NSWindowObject* previousKeyWindow = nullptr;
    objc::NSSize minimumContentSize;
    objc::NSSize maximumContentSize;

    bool exists() const noexcept { return window != nullptr; }
};

// The registry (made by InitWindows, or on first use).
core::ObjectRegistry<WindowRecord>& WindowRegistry();

} // namespace sondrel::windowing
