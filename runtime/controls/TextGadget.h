#pragma once

// Text gadgets (kind 3): a line of text that cannot be selected or edited (a label), on the
// controls' colour. TextRight and TextCenter align it, TextBorder frames it. Its state is always
// 0. Disabling only greys the text (the label stays enabled); enabling gives back the text colour
// last set (colour type 1), or the standard one. Colour type 2 is the background.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateTextGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                              std::int32_t width, std::int32_t height, core::TextView text,
                              std::uint32_t flags = 0);

} // namespace sondrel::controls
