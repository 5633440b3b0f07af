#pragma once

// Operations several gadget kinds share, written once: a kind names the ones it has and writes
// only what is its own.

#include <cstdint>

#include "platform/objc/ClassDefinition.h"
#include "runtime/core/Text.h"
#include "runtime/windowing/Gadget.h"

namespace sondrel::controls {

// GetGadgetText and SetGadgetText: as the main view's title (buttons and check boxes).
objc::ClassDefinition& AddTitleTextMethods(objc::ClassDefinition& definition);

// A title-carrying object's title (a view or a cell), the empty string for none; and setting it,
// nil meaning the empty string.
objc::id TitleText(objc::id owner);
void SetTitleText(objc::id owner, objc::id text);

// The text colour (windowing::kGadgetFrontColor) or the background colour (kGadgetBackColor) of
// a view that has both; other types read nil and set nothing.
objc::id TextOrBackgroundColor(objc::id view, std::int32_t type);
void SetTextOrBackgroundColor(objc::id view, std::int32_t type, objc::id color);

// Raises a gadget event of the gadget (SendEvent:).
void SendGadgetEvent(windowing::RTGadgetFunctionsObject* functions, std::uint64_t subtype);

// Gives a new gadget its initial text through the kind's own SetGadgetText:.
void SetInitialText(windowing::RTGadgetFunctionsObject* functions, core::TextView text);

} // namespace sondrel::controls
