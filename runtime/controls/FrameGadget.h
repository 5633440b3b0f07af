#pragma once

// Frame gadgets (kind 7): a box around other gadgets with its title at the top. An empty text
// hides the title (keeping the old one); the font operations act on the title's font. The flags
// are kept and have no effect.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateFrameGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                               std::int32_t width, std::int32_t height, core::TextView text,
                               std::uint32_t flags = 0);

} // namespace sondrel::controls
