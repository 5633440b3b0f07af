#pragma once

// Splitting of a program's argument text into separate arguments.
//
// Rules (the text is UTF-8; only ASCII bytes are looked at, so multi-byte
// characters pass through untouched):
//  - space, tab and line feed separate arguments; runs of them count as one,
//    and leading or trailing ones make no argument;
//  - an argument that begins with a double quote runs to the next double quote
//    (which is dropped), a line feed or the end of the text, and may hold
//    spaces and tabs; "" is an empty argument; whatever follows the closing
//    quote starts a new argument even without a separator;
//  - any other argument runs to the next separator; a double quote inside it
//    is an ordinary character;
//  - there is no escape character: backslashes are ordinary characters;
//  - the text ends at its first zero byte, as a C string would.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::system {

// The most arguments one argument text may give (the program name is not
// counted). A longer text is refused rather than cut short, so a program is
// never started with some of its arguments silently missing.
inline constexpr std::size_t kMaxProgramArguments = 510;

// The arguments of `text`, or nothing when it holds more than
// kMaxProgramArguments.
std::optional<std::vector<std::string>> SplitArguments(std::string_view text);

} // namespace sondrel::system
