#pragma once

// String gadgets (kind 2): one-line text fields. StringPassword shows dots; StringReadOnly can
// be selected and copied but not typed into; StringUpperCase, StringLowerCase and StringNumeric
// keep what the user types in upper case, in lower case or to digits; StringBorderless draws no
// frame. Attribute 1 is the maximum length the user may type (2147483647 at first).
//
// Events: 256 when the field takes the keyboard focus, 768 after each change the user makes,
// 512 when editing ends other than by Return or Enter. Colour type 1 is the text colour, 2 the
// background colour.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

std::int64_t CreateStringGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text,
                                std::uint32_t flags = 0);

} // namespace sondrel::controls
