#pragma once

// Option gadgets (kind 5): radio buttons grouped by creation order. Option gadgets created one
// after the other, with no gadget of another kind between them, form one group; any other
// gadget ends the group, and the next option starts a new one. Within a group selection is
// exclusive through SetGadgetState and clicks: setting one option to a state sets every other
// one to 0 first (so 0 clears the whole group), and a click raises subtype 0 and selects the
// clicked option. A group lives as long as its last option.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateOptionGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text);

// Ends the current option group (the gadget core calls this, through InitGadgetKinds, whenever a
// gadget of another kind is made).
void EndOptionGroup();

} // namespace sondrel::controls
