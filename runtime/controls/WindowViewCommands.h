#pragma once

// One-line commands on native windows and views. Each reports what the native call gives and
// checks nothing beyond a receiver of the right class (others are left alone). For the main
// thread (calls from another thread are carried there).

#include <cstdint>

#include "platform/objc/Object.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

// Adds full-screen-primary (128) to the window's collection behaviour.
void EnableFullScreen(const void* window);
// The window's content area is tiled with the image (an NSImage) at its size in points.
void SetWindowPattern(const void* window, const void* image);
// 0 is fully transparent, 1 opaque.
void SetWindowOpacity(const void* window, float alpha);

// Moves the view to the end (drawn last, on top) or the start of its superview's subviews.
void BringViewToFront(const void* view);
void SendViewToBack(const void* view);
// Makes the view layer-backed with the one content filter (none for null). Filters are kept
// with the view; nothing on this platform draws through them.
void SetViewFilter(const void* view, objc::id filter);
// The view's background (drawn) is tiled with the image.
void SetViewPattern(const void* view, const void* image);

// A search field at the frame in the view (for a window, its content view) whose width follows
// the view's, sending the whole search string at once; null when the target is neither a window
// nor a view.
objc::id AddSearchField(const void* target, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height);
// A control's string value.
core::Text ControlText(const void* control);

} // namespace sondrel::controls
