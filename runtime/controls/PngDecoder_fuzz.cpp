// Feeds arbitrary data to the PNG decoder through the registry into an exactly sized RGBA
// bitmap; libpng errors must end the decoding cleanly, never read past the data.

#include <cstddef>
#include <cstdint>

#include "runtime/controls/DecoderFuzzing.h"
#include "runtime/controls/PngDecoder.h"

using namespace sondrel::controls;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        InitImageDecoders();
        RegisterPngDecoder();
        return true;
    }();
    (void)registered;
    fuzzing::DecodeThroughRegistry(data, size);
    return 0;
}
