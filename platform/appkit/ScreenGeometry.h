#pragma once

// The primary screen in the two coordinate systems windows meet: Qt's (origin at the top left,
// y downwards) and Cocoa's (origin at the bottom left of the main screen, y upwards). Main
// thread only.

#include <QRect>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

// The whole screen, or the part windows may use (without panels and docks); a screen of
// 1024 x 768 when there is none.
QRect screenGeometry(bool available);
double screenHeight();
// A Qt screen rectangle in Cocoa's screen coordinates.
NSRect cocoaScreenRect(const QRect& rect);

} // namespace sondrel::appkit
