// Feeds arbitrary bytes through the text conversions: nothing may read past
// the input, and whatever converts must convert back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/core/Text.h"
#include "runtime/core/TextFileName.h"

using namespace sondrel::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Text text = Utf8ToText(bytes);
    const std::string back = TextToUtf8(text);
    if (bytes.substr(0, back.size()) != back) {
        std::abort();
    }
    if (IsWellFormedUtf8(bytes) != (back.size() == bytes.size())) {
        std::abort();
    }
    // Any bytes are a file name that survives the trip through a text, and a
    // well-formed name reads as plain UTF-8 does.
    const Text name = FileNameToText(bytes);
    if (TextToFileName(name) != bytes || (IsWellFormedUtf8(bytes) && name != text)) {
        std::abort();
    }
    // The same bytes read as UTF-16 code units, possibly with lone surrogates.
    Text units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    const std::string utf8 = TextToUtf8(units);
    if (Utf8ToText(utf8) != TextView(units).substr(0, Utf8ToText(utf8).size())) {
        std::abort();
    }
    if (Latin1ToText(TextToLatin1(units)).size() > units.size()) {
        std::abort();
    }
    if (units.size() > 1) {
        const TextView sought = TextView(units).substr(0, 1 + units.size() % 3);
        const std::int64_t found = FindText(units, sought, 1, kTextIgnoreCase);
        const Text rest = RemoveText(units, sought, kTextIgnoreCase);
        if (found < 0 || found > TextLength(units) || rest.size() > units.size()) {
            std::abort();
        }
    }
    return 0;
}
