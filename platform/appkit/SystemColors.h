#pragma once

// The named system colours controls are drawn with (Cocoa's controlColor and friends), taken
// from the application's palette. Each call gives a new autoreleased NSColor. Main thread.

#include "platform/objc/Object.h"

namespace sondrel::appkit {

objc::id controlColor();                  // the face of controls and labels
objc::id controlTextColor();              // the text of enabled controls
objc::id secondarySelectedControlColor(); // text drawn as inactive (greyed)

} // namespace sondrel::appkit
