#pragma once

// Cocoa's autoresizing masks for the views of this layer that offer setAutoresizingMask:: when
// the superview's widget changes size, the view's frame follows the mask (flexible left margin
// 1, width 2, right margin 4, bottom-or-top margin 8, height 16, top-or-bottom margin 32). The
// change of each dimension goes to its flexible parts in proportion to their sizes, as Cocoa
// shares it.

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

class NSViewObject;

enum NSAutoresizingMask : NSUInteger {
    NSViewNotSizable = 0,
    NSViewMinXMargin = 1,
    NSViewWidthSizable = 2,
    NSViewMaxXMargin = 4,
    NSViewMinYMargin = 8,
    NSViewHeightSizable = 16,
    NSViewMaxYMargin = 32,
};

// The new frame of a view with `mask` whose superview went from `oldSize` to `newSize`.
NSRect autoresizedFrame(NSRect frame, NSUInteger mask, NSSize oldSize, NSSize newSize);

// Makes `view` follow its superview's size changes with `mask` (0 stops it). Main thread only;
// the watch ends with the view's widget.
void setAutoresizingMask(NSViewObject* view, NSUInteger mask);
NSUInteger autoresizingMask(const NSViewObject* view);

} // namespace sondrel::appkit
