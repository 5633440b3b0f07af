// Feeds arbitrary data to the BMP decoder: whatever the header says, it must neither read past
// the data nor write past the image (AddressSanitizer watches both buffers).

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/controls/BmpDecoder.h"
#include "runtime/controls/DecoderFuzzing.h"

using namespace sondrel::controls;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        InitImageDecoders();
        RegisterBmpDecoder();
        return true;
    }();
    (void)registered;
    if (size >= kUnknownImageSize) {
        return 0;
    }
    // Through the registry into an RGBA bitmap, as image objects do.
    fuzzing::DecodeThroughRegistry(data, size);
    // Straight into exactly sized RGB rows, bottom-up.
    ImageDecoderContext context{};
    context.data = data;
    context.size = static_cast<std::uint32_t>(size);
    if (BmpDecoder().check(context) == 1) {
        const std::int64_t pixels = std::int64_t{context.width} * context.height;
        if (pixels <= 0 || pixels > fuzzing::kMaxPixels) {
            BmpDecoder().close(context);
            return 0;
        }
        const auto bytesPerRow = static_cast<std::size_t>(context.width) * 3;
        auto rgb = std::make_unique<std::uint8_t[]>(bytesPerRow * context.height);
        BmpDecoder().decode(context, rgb.get(), bytesPerRow, kDecodeBottomUp);
        BmpDecoder().close(context);
    }
    return 0;
}
