#pragma once

// The native classes behind runtime windows: RTWindow (a window that can always become key),
// RTWindowEvents (its delegate, turning notifications into events) and RTFlippedWindowView (its
// flipped content view, turning clicks and drops into events).

#include <cstdint>

#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"

namespace sondrel::windowing {

class RTWindowEventsObject : public objc::Object {
public:
    using Object::Object;

    appkit::NSWindowObject* WindowInstance = nullptr; // borrowed
    std::int64_t WindowID = 0;
    std::int32_t ZoomEvent = 0;

    // Stores the window and its number and becomes the window's delegate.
    void connect(appkit::NSWindowObject* window, std::int64_t windowID);
};

class RTFlippedWindowViewObject : public appkit::NSViewObject {
public:
    using NSViewObject::NSViewObject;
    std::int64_t WindowID = -1;
};

} // namespace sondrel::windowing
