#pragma once

// File names are bytes, usually but not always UTF-8. These two convert them
// to texts and back without loss: the well-formed UTF-8 parts as Utf8ToText
// does, and each byte of an ill-formed sequence (0x80 to 0xFF) as the lone
// surrogate U+DC80 to U+DCFF, which no well-formed text holds. A file whose
// name is not UTF-8 can so still be listed, shown, joined to a folder and
// handed to the system again. Only file names cross this way; every other
// text keeps the strict conversions of Text.h. The codec is the platform's
// (platform/objc/FileNameText.h), so that a name the native classes take
// from a drop and one the runtime reads from a folder are the same text.

#include <optional>
#include <string>
#include <string_view>

#include "runtime/core/Text.h"

namespace sondrel::core {

Text FileNameToText(std::string_view bytes);

// The bytes of a file name as FileNameToText made its text: lone surrogates
// U+DC80 to U+DCFF become their bytes again. Nothing for a text holding any
// other unpaired surrogate.
std::optional<std::string> TextToFileName(TextView text);

// True when text[at] is a byte FileNameToText escaped: a unit U+DC80 to
// U+DCFF that is not the second half of a surrogate pair.
bool IsEscapedByteAt(TextView text, std::size_t at);

// The text with each escaped byte shown as the replacement character U+FFFD.
Text FileNameForDisplay(TextView text);

} // namespace sondrel::core
