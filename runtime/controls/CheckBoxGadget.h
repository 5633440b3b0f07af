#pragma once

// Check box gadgets (kind 4). The state is 1 checked, 0 unchecked, -1 mixed; with
// CheckBoxThreeState the mixed state exists, but only SetGadgetState reaches it: the user's
// clicks go from checked to unchecked to checked. A click raises subtype 0. The gadget's text
// is the box's title.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateCheckBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, core::TextView text,
                                  std::uint32_t flags = 0);

} // namespace sondrel::controls
