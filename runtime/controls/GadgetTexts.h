#pragma once

// The text-carrying gadget commands. Each looks the gadget up and sends the operation to the
// gadget's operations object, with the text as a native string. An unknown gadget number does
// nothing: the setters give 0, the getters the empty text.
//
// They may be called from any thread (the batch worker writes the log from its own): the whole
// operation is carried out on the main thread, in the order the calls are made.

#include <cstdint>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

// Adds an item at `position` (-1: at the end); the kind decides what the result is (the menu
// item for a pop-up, 1 for an editable combo box, 0 for an editor and the kinds without items).
std::int64_t AddGadgetItem(core::ObjectNumber gadget, std::int32_t position, core::TextView text,
                           objc::id image = nullptr, std::int32_t flags = 0);
core::Text GetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, std::int32_t column = 0);
core::Text GetGadgetText(core::ObjectNumber gadget);
void SetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, core::TextView text,
                       std::int32_t column = 0);
void SetGadgetText(core::ObjectNumber gadget, core::TextView text);

// The remaining item operations of the kinds (the state, count, clearing and removal are the
// gadget core's).
void RemoveGadgetItem(core::ObjectNumber gadget, std::int32_t item);
std::int64_t GetGadgetItemData(core::ObjectNumber gadget, std::int32_t item);
void SetGadgetItemData(core::ObjectNumber gadget, std::int32_t item, std::int64_t value);
void SetGadgetItemImage(core::ObjectNumber gadget, std::int32_t item, objc::id image);
std::int64_t GetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute);
void SetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute, std::int64_t value);
// The gadget's colour of a type (1 text, 2 background) as an NSColor, or null.
objc::id GetGadgetColor(core::ObjectNumber gadget, std::int32_t type);
objc::id GetGadgetFont(core::ObjectNumber gadget);
void SetGadgetFont(core::ObjectNumber gadget, objc::id font);

} // namespace sondrel::controls
