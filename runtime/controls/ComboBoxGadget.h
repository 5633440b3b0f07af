#pragma once

// Combo box gadgets (kind 8), in two forms.
//
// A pop-up (flags without ComboBoxEditable): a list to pick from. It starts with no items and no
// selection, and adding items never selects one; its state is the selected index (-1 for none)
// and its text the selected item's title. Picking an item raises subtype 768. With
// ComboBoxImages every item shows an image (an empty one when none is given). Each item has a
// data value (0 at first).
//
// An editable combo box (ComboBoxEditable): a text field with a list of values. Its state is the
// index of the list value last asked for (-1 at first); SetGadgetState shows an item's text.
// Typing raises 768, focus 256, the end of editing other than by Return 512, and picking from
// the list (or Return) 0.
//
// ComboBoxLowerCase or ComboBoxUpperCase keeps item texts in that case (lower case wins). Item
// operations with an index outside the items do nothing (getters give the empty text or 0).

#include <cstdint>

#include <string>

#include "platform/objc/Geometry.h"
#include "runtime/core/ObjectRegistry.h"

namespace sondrel::controls {

std::int64_t CreateComboBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, std::uint32_t flags = 0);

namespace detail {
// The editable form (EditComboBoxGadget.cpp).
std::int64_t CreateEditComboBoxGadget(core::ObjectNumber gadget, objc::NSRect frame,
                                      std::uint32_t flags);
// The text in the case the flags ask for.
std::u16string ComboItemText(const void* text, std::uint32_t flags);
} // namespace detail

} // namespace sondrel::controls
