#pragma once

// Reads RTF documents into attributed text: fonts from the font table, sizes, bold, italic,
// underline, strike-through, colours from the colour table, paragraph alignment, indents and tab
// stops, paragraph and line breaks, tabs, characters as \'hh in the document's code page
// (1252 unless it says otherwise) or as \uN, and HYPERLINK fields, whose result text is kept
// with the link's target. Pictures, style sheets, headers and the other destinations are
// skipped.
//
// The reader is built for untrusted input: it never reads outside the given bytes, and it
// bounds group nesting and the size of every table, so any byte sequence is either read or
// refused in time and memory proportional to its length.

#include <cstddef>
#include <optional>

#include "platform/objc/AttributedText.h"

namespace sondrel::objc {

// The document's text, or nothing when the bytes are not RTF (they must begin with "{\rtf",
// possibly after white space) or nest groups deeper than the reader allows.
std::optional<AttributedText> readRtf(const void* bytes, std::size_t length);

} // namespace sondrel::objc
