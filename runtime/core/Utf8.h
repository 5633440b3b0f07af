#pragma once

// The one UTF-8 codec of the runtime: what each byte means, and the strict reading and the
// writing of one character. Texts (Text.h), file-name texts (TextFileName.h) and the lenient
// streaming reader of program output (runtime/system/OutputLine.h) are all built on it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/Text.h"

namespace sondrel::core {

// What a byte says as the first byte of a sequence, by its bit pattern alone: the sequence's
// length (0xxxxxxx 1, 110xxxxx 2, 1110xxxx 3, 11110xxx 4) and the mask of the character bits it
// carries; length 0 for a byte that starts no sequence (10xxxxxx, a continuation byte, and
// 11111xxx). Whether the sequence is well-formed is the strict reader's business.
struct Utf8Lead {
    std::uint8_t length;
    std::uint8_t payload;
};
Utf8Lead Utf8LeadOf(std::uint8_t byte);

inline bool IsUtf8Continuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// Reads the well-formed sequence at bytes[at] (at < bytes.size()): its length, with the code
// point in `point`; 0 when the sequence is ill-formed: it starts with a byte that starts none
// (also C0, C1 and F5 to F7, which only start overlong or too large forms), is cut short by a
// wrong byte or by the end of the bytes, is overlong, or encodes a surrogate or a value past
// U+10FFFF.
std::size_t DecodeUtf8(std::string_view bytes, std::size_t at, char32_t& point);

// Appends a code point (at most U+10FFFF): as one unit, or as a surrogate pair above U+FFFF.
void AppendUtf16(Text& out, char32_t point);
// Appends a code point as 1 to 4 bytes.
void AppendUtf8(std::string& out, char32_t point);

} // namespace sondrel::core
