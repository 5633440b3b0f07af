#pragma once

// Image gadgets (kind 9): show a native image (NSImage, for example ImageHandle's) unscaled and
// centred. Setting the state to an image (its handle as the value) shows it and sizes the gadget
// to the image, plus 4 points each way with ImageBorder (which draws a bezel); the state reads
// the image back. Mouse: a single left click raises 0, a double one 2, a single right click 1,
// a double one 3; dragging after a press raises 2048 once per press.

#include <cstdint>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"

namespace sondrel::controls {

std::int64_t CreateImageGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                               std::int32_t width, std::int32_t height, objc::id image,
                               std::uint32_t flags = 0);

} // namespace sondrel::controls
