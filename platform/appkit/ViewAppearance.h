#pragma once

// Window and view settings the bridge commands reach that the window and view classes keep no
// field for: a window's or view's background colour (a pattern colour tiles its picture), a
// window's collection behaviour, and a view's layer flag and content filters. Each is kept with
// the window's or view's widget and goes with it. Main thread.

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

class NSViewObject;
class NSWindowObject;

// Collection behaviour bits (NSWindowCollectionBehavior).
inline constexpr NSUInteger NSWindowCollectionBehaviorFullScreenPrimary = 128;

// Paints the window's content area with the colour (an NSColor; nil restores the standard one).
void setWindowBackgroundColor(NSWindowObject* window, id color);
id windowBackgroundColor(const NSWindowObject* window);

// The behaviour is kept; full-screen primary lets the window's zoom button take the whole
// screen (zoom then shows the window full screen).
void setWindowCollectionBehavior(NSWindowObject* window, NSUInteger behavior);
NSUInteger windowCollectionBehavior(const NSWindowObject* window);

// Paints a view's area with the colour before its own drawing (nil restores the standard one).
void setViewBackgroundColor(NSViewObject* view, id color);

// A layer-backed view's content filters (an NSArray, retained; nil for none). Nothing on this
// platform draws through such filters: they are kept and given back.
void setViewWantsLayer(NSViewObject* view, bool flag);
bool viewWantsLayer(const NSViewObject* view);
void setViewContentFilters(NSViewObject* view, id filters);
id viewContentFilters(const NSViewObject* view);

} // namespace sondrel::appkit
