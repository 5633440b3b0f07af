// Feeds arbitrary data to the PNG decoder through the registry into an exactly sized RGBA
// bitmap; libpng errors must end the decoding cleanly, never read past the data.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/controls/DecoderSelection.h"
#include "runtime/controls/PngDecoder.h"

using namespace sondrel::controls;

namespace {
// Larger images are accepted by the decoder but not worth a fuzz iteration's memory.
constexpr std::int64_t kMaxPixels = 1 << 18;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        InitImageDecoders();
        RegisterPngDecoder();
        return true;
    }();
    (void)registered;
    if (size >= kUnknownImageSize) {
        return 0;
    }
    DecoderSelection selection(data, static_cast<std::uint32_t>(size));
    const std::int64_t pixels = std::int64_t{selection.width()} * selection.height();
    if (selection.decoderId() == 0 || pixels <= 0 || pixels > kMaxPixels) {
        return 0;
    }
    const auto bytesPerRow = static_cast<std::size_t>(selection.width()) * 4;
    auto rgba = std::make_unique<std::uint8_t[]>(bytesPerRow * selection.height());
    selection.decodeRgba(rgba.get(), bytesPerRow);
    return 0;
}
