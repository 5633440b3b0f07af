#pragma once

// File names are bytes, usually but not always UTF-8. These two convert them to UTF-16 texts
// and back without loss: the well-formed UTF-8 parts as decodeUtf8 does, and each byte of an
// ill-formed sequence (0x80 to 0xFF) as the lone surrogate U+DC80 to U+DCFF, which no
// well-formed text holds. A file whose name is not UTF-8 can so still be listed, shown, dropped,
// joined to a folder and handed to the system again. This is the one such codec: the runtime's
// file-name texts and the native classes' dragged file names both use it. Only file names cross
// this way; every other text keeps the strict conversions.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sondrel::objc {

std::u16string fileNameToText(std::string_view bytes);

// The bytes of a file name as fileNameToText made its text: lone surrogates U+DC80 to U+DCFF
// become their bytes again. Nothing for a text holding any other unpaired surrogate.
std::optional<std::string> textToFileName(std::u16string_view text);

// True when text[at] is a byte fileNameToText escaped: a unit U+DC80 to U+DCFF that is not the
// second half of a surrogate pair.
bool isEscapedFileNameByte(std::u16string_view text, std::size_t at);

} // namespace sondrel::objc
