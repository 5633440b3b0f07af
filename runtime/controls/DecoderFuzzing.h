#pragma once

// Shared by the decoder fuzz targets: one pass of arbitrary data through the
// decoder registry into an exactly sized RGBA bitmap, as image objects decode.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/controls/DecoderSelection.h"

namespace sondrel::controls::fuzzing {

// Larger images are accepted by the decoders but not worth a fuzz iteration's memory.
constexpr std::int64_t kMaxPixels = 1 << 18;

inline void DecodeThroughRegistry(const std::uint8_t* data, std::size_t size) {
    if (size >= kUnknownImageSize) {
        return;
    }
    DecoderSelection selection(data, static_cast<std::uint32_t>(size));
    const std::int64_t pixels = std::int64_t{selection.width()} * selection.height();
    if (selection.decoderId() == 0 || pixels <= 0 || pixels > kMaxPixels) {
        return;
    }
    const auto bytesPerRow = static_cast<std::size_t>(selection.width()) * 4;
    auto rgba = std::make_unique<std::uint8_t[]>(bytesPerRow * selection.height());
    selection.decodeRgba(rgba.get(), bytesPerRow);
}

} // namespace sondrel::controls::fuzzing
