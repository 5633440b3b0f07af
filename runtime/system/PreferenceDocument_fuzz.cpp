// Fuzzes the preference file reader and writer: whatever the bytes, reading
// must not fail, and what is written must read back as the same entries and be
// written again byte for byte the same, also after a write of a value.

#include "runtime/system/PreferenceDocument.h"

#include <cstdint>
#include <cstdlib>

using sondrel::system::PreferenceDocument;

namespace {

constexpr std::string_view kMark = "\xEF\xBB\xBF";

void checkRoundTrip(const PreferenceDocument& document) {
    for (int options = 0; options < 4; ++options) {
        std::string written = document.serialize(options);
        PreferenceDocument again = PreferenceDocument::parse(written);
        // A document read from an empty file is written without the
        // byte-order mark while it is ASCII; read back, it is a file like any
        // other and gets the mark.
        std::string expected = written.empty() || written.starts_with(kMark)
                                   ? written
                                   : std::string(kMark) + '\n' + written;
        if (again.entries() != document.entries() || again.serialize(options) != expected) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PreferenceDocument document = PreferenceDocument::parse(bytes);
    checkRoundTrip(document);

    // Select a group and write a key, both taken from the input's first line.
    std::string_view line = bytes.substr(0, bytes.find('\n'));
    std::string_view group = line.substr(0, line.size() / 2);
    std::string_view key = line.substr(line.size() / 2);
    document.selectGroup(group);
    bool written = document.writeValue(key, "-1234");
    if (written && document.findValue(key) != "-1234") {
        std::abort();
    }
    checkRoundTrip(document);
    return 0;
}
