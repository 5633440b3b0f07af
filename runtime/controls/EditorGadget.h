#pragma once

// Editor gadgets (kind 22): a multi-line text view inside a scroll view (the scroll view is what
// the window holds; GadgetHandle gives the text view). EditorReadOnly lets the text be selected
// but not typed into; EditorWordWrap wraps lines at the view's width (attribute 2; attribute 1 is
// the read-only state).
//
// The items are the text's lines: "\r" and "\n" both end a line (so "a\r\nb" has 3 items), a
// text ending in a line end has an empty last item, and the empty text has none. Adding an item
// at a position below 0 appends a line end (unless the text is empty) and the item, through the
// text storage; at another position it becomes that line (past the end: the last). Setting or
// removing an item with an index outside the lines changes no line. Where an operation rebuilds
// the whole text from its lines, "\r" becomes "\n".
//
// Line count, a line's text, appending and replacing or removing the last line cost the same
// however long the text is (the text storage keeps an index of its lines), so a log can grow
// without making each new line slower.
//
// Events: 768 after each change by the user, 256 and 512 when the view takes and loses the
// keyboard focus. Colour type 1 is the text colour, 2 the background colour.

#include <cstdint>

#include "runtime/core/ObjectRegistry.h"

namespace sondrel::controls {

std::int64_t CreateEditorGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, std::uint32_t flags = 0);

} // namespace sondrel::controls
