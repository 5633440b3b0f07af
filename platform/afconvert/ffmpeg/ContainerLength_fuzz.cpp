// Fuzzes the iTunSMPB gapless tag parser with any text. What it accepts must
// be a length a file can have, and must read the same when written back in
// the tag's own form.
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/afconvert/ffmpeg/ContainerLength.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using sondrel::afconvert::parseItunesGaplessTag;
    const std::string_view tag(reinterpret_cast<const char*>(data), size);
    const auto length = parseItunesGaplessTag(tag);
    if (!length)
        return 0;
    if (length->skipFrames < 0 || length->skipFrames > INT32_MAX || length->frames <= 0)
        __builtin_trap();
    char written[64];
    std::snprintf(written, sizeof written, " 00000000 %08" PRIX64 " 00000000 %016" PRIX64,
                  static_cast<uint64_t>(length->skipFrames), static_cast<uint64_t>(length->frames));
    if (parseItunesGaplessTag(written) != length)
        __builtin_trap();
    return 0;
}
