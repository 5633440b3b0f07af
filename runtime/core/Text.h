#pragma once

// The runtime's texts and the text operations every layer uses.
//
// A text is UTF-16: lengths and positions count 16-bit code units, and
// positions are 1-based (0 means "not found"). Owned texts are `Text`
// (std::u16string); arguments are `TextView`, and an empty view stands for the
// null text, so a null text and the empty text behave the same everywhere.
//
// Every operation returns a new `Text` (or std::string) by value. Results are
// owned by the caller, stay valid as long as the caller keeps them and are
// independent of any later call on any thread; all operations are safe to call
// from any number of threads at once. There is therefore no per-thread scratch
// area for results and no "valid until the next call" rule.
//
// Case-insensitive comparisons (mode bit kTextIgnoreCase) fold each code unit
// with towlower() in the process's current locale (LC_CTYPE); the program sets
// the locale from the user's environment at start-up.
//
// Conversions at system boundaries (paths, program arguments, preference
// files) go through UTF-8 or ISO 8859-1 bytes. Ill-formed input is never read
// past its end: conversion stops at the first ill-formed sequence and returns
// what was converted before it (see each function).

#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel::core {

using Text = std::u16string;
using TextView = std::u16string_view;

// Mode bit for FindText and RemoveText: compare ignoring case.
inline constexpr int kTextIgnoreCase = 1;

// Number of code units in the text (0 for the null text).
std::int64_t TextLength(TextView text);

// 1-based position of the first occurrence of `sought` at or after `start`, or
// 0. Either text empty gives 0; a start of 0 or less counts as 1; a start past
// the end gives 0.
std::int64_t FindText(TextView text, TextView sought, std::int64_t start = 1, int mode = 0);

// The first / last `count` code units; `count` is clamped to 0 .. length.
Text LeftText(TextView text, std::int64_t count);
Text RightText(TextView text, std::int64_t count);

// The text without the occurrences of `sought` found at or after `start`
// (1-based; 1 or less means from the beginning; past the end leaves the text
// unchanged). Occurrences do not overlap: the search resumes behind each
// removed one. `count` limits the number of removals: a negative count (-1 by
// default) removes every occurrence, 0 removes none. An empty `sought` gives
// the whole text.
Text RemoveText(TextView text, TextView sought, int mode = 0, std::int64_t start = 1,
                std::int64_t count = -1);

// Decimal text of the number: "-" for negative numbers, no leading zeros, "0"
// for zero; INT64_MIN is converted correctly.
Text NumberText(std::int64_t number);

// True when both texts hold the same code units (a null text equals "").
bool TextEquals(TextView a, TextView b);

// UTF-16 to UTF-8. Surrogate pairs become one 4-byte sequence. Conversion stops
// at an unpaired surrogate: the result holds everything before it.
std::string TextToUtf8(TextView text);

// UTF-8 to UTF-16. Code points above U+FFFF become surrogate pairs. Conversion
// stops at the first byte that does not continue a well-formed sequence: a
// stray continuation byte, a byte that never starts one (C0, C1, F5..FF), a
// sequence cut short by a wrong byte or by the end of the input, an overlong
// form, an encoded surrogate, or a code point above U+10FFFF. A zero byte is
// converted like any other character.
Text Utf8ToText(std::string_view bytes);

// True when Utf8ToText would convert all of `bytes`, so callers that must not
// lose characters (file names) can refuse the rest instead of truncating.
bool IsWellFormedUtf8(std::string_view bytes);

// UTF-16 to ISO 8859-1: every unit above 255 is dropped.
std::string TextToLatin1(TextView text);

// ISO 8859-1 to UTF-16: each byte becomes the code point of the same value.
Text Latin1ToText(std::string_view bytes);

} // namespace sondrel::core
