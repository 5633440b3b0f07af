#pragma once

// Decoding one line of a program's output from UTF-8 bytes.
//
// A line ends at a line feed (not kept) or at the end of the output; a
// carriage return is an ordinary character and stays in the line. Bytes are
// decoded leniently, because a tool's output is not ours to reject:
//  - a byte below 128 is the character;
//  - 110xxxxx takes one continuation byte, 1110xxxx takes two, and the
//    character is built from the payload bits (no check for overlong forms);
//  - 11110xxx takes three continuation bytes and gives one space, since the
//    character does not fit the line's 16-bit units as one unit;
//  - any other byte of 128 or more gives a space;
//  - a sequence cut short by a byte that is not a continuation byte gives a
//    space, and that byte is decoded afresh (so a line feed is never
//    swallowed into a broken sequence);
//  - the end of the output, also inside a sequence, ends the line (the
//    unfinished character is dropped).
// The bytes' patterns come from the runtime's UTF-8 codec (runtime/core/Utf8.h);
// only the leniency is this reader's own.

#include "runtime/core/Text.h"

#include <cstdint>
#include <optional>

namespace sondrel::system {

// Where the bytes come from. peekByte() may wait for the next byte; it gives
// nothing at the end of the output.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::optional<std::uint8_t> peekByte() = 0;
    // Drops the byte peekByte() gave.
    virtual void skipByte() = 0;
};

// The next line; the empty text at the end of the output.
core::Text DecodeOutputLine(ByteSource& source);

} // namespace sondrel::system
