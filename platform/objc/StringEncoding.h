#pragma once

// Conversions between UTF-16 texts and the byte encodings native strings are made from or
// turned into, numbered as the native string class numbers them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sondrel::objc {

enum StringEncoding : std::uint64_t {
    kASCIIStringEncoding = 1,
    kUTF8StringEncoding = 4,
    kISOLatin1StringEncoding = 5,
    kUnicodeStringEncoding = 10, // UTF-16 in the machine's byte order, optional byte-order mark
    kWindowsCP1252StringEncoding = 12,
};

// The platform's one UTF-8 reader: the length of the well-formed sequence at bytes[at]
// (at < bytes.size()), with its code point in `point`; 0 for a malformed or cut-short sequence,
// an overlong form, a surrogate or a value past U+10FFFF. Never reads past the end.
std::size_t decodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& point);
// Appends a code point as one unit, or as a surrogate pair above U+FFFF.
void appendUtf16(std::u16string& out, char32_t point);

// Strict UTF-8: false for any sequence decodeUtf8Sequence refuses.
bool decodeUtf8(std::string_view bytes, std::u16string& out);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string encodeUtf8(std::u16string_view text);

// Windows code page 1252: bytes 0x80-0x9F carry typographic characters; the five unassigned
// ones map to the code point of the same value, as Latin-1 would.
char16_t decodeCp1252(unsigned char byte);

// Decodes `length` bytes in `encoding`; false for an unknown encoding or bytes not valid in it.
bool decodeBytes(const void* bytes, std::size_t length, std::uint64_t encoding,
                 std::u16string& out);
// Encodes in `encoding`; characters it cannot hold fail the conversion unless `lossy`, which
// puts '?' in their place. False for an unknown encoding.
bool encodeText(std::u16string_view text, std::uint64_t encoding, bool lossy, std::string& out);

} // namespace sondrel::objc
