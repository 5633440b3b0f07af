#pragma once

// Button gadgets (kind 1): push buttons, or toggle buttons that keep their pressed state. A
// button exactly 25 points high has the rounded bezel (and with ButtonDefault the Return key
// presses it); any other height the square one, and a rounded button resized to another height
// turns square for good. The gadget's text is the button's title; a press raises subtype 0.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateButtonGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text,
                                std::uint32_t flags = 0);

} // namespace sondrel::controls
