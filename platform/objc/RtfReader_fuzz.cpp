// Feeds arbitrary bytes to the RTF reader: it must neither crash nor read outside the input,
// and whatever it accepts must be consistent attributed text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/objc/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = sondrel::objc::readRtf(data, size);
    if (text) {
        std::size_t covered = 0;
        for (const auto& run : text->runs()) {
            if (run.start != covered || run.length == 0) {
                std::abort();
            }
            covered += run.length;
        }
        std::size_t breaks = 0;
        for (char16_t c : text->text()) {
            breaks += c == u'\n' ? 1 : 0;
        }
        if (covered != text->text().size() || text->paragraphs().size() != breaks + 1) {
            std::abort();
        }
    }
    return 0;
}
