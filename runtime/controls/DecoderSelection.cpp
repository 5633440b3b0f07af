#include "runtime/controls/DecoderSelection.h"

#include <cstring>
#include <memory>
#include <new>

namespace sondrel::controls {
namespace {

// The image records keep width and height in 16 bits.
constexpr std::int32_t kMaxImageSide = 65535;

} // namespace

DecoderSelection::DecoderSelection(const std::uint8_t* data, std::uint32_t size) {
    ImageDecoderContext* context = ThreadImageDecoderContext();
    if (!context || !data || size == 0 || size >= kUnknownImageSize) {
        return;
    }
    int count = 0;
    const ImageDecoder* decoders = RegisteredImageDecoders(count);
    for (int i = 0; i < count; ++i) {
        std::memset(context, 0, sizeof(*context));
        context->data = data;
        context->size = size;
        if (decoders[i].check(*context) == 1) {
            context->decoder = &decoders[i];
            m_context = context;
            return;
        }
    }
    std::memset(context, 0, sizeof(*context));
}

DecoderSelection::~DecoderSelection() {
    if (m_context) {
        m_context->decoder->close(*m_context);
        std::memset(m_context, 0, sizeof(*m_context));
    }
}

bool DecoderSelection::decodeRgba(std::uint8_t* rgba, std::size_t bytesPerRow) {
    if (!m_context || !rgba) {
        return false;
    }
    const std::int32_t width = m_context->width;
    const std::int32_t height = m_context->height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        bytesPerRow < static_cast<std::size_t>(width) * 4) {
        return false;
    }
    if (m_context->depth == 32) {
        return m_context->decoder->decode(*m_context, rgba, bytesPerRow, 0) == 1;
    }
    return decodeThroughRgb(rgba, bytesPerRow);
}

bool DecoderSelection::decodeThroughRgb(std::uint8_t* rgba, std::size_t bytesPerRow) {
    const auto width = static_cast<std::size_t>(m_context->width);
    const auto height = static_cast<std::size_t>(m_context->height);
    // Rows of three bytes a pixel, padded to a multiple of four bytes.
    const std::size_t rgbRow = (width * 3 + 3) & ~std::size_t{3};
    // Zeroed, so that pixels a decoder does not reach come out black rather than as whatever
    // the allocation held.
    std::unique_ptr<std::uint8_t[]> rgb(new (std::nothrow) std::uint8_t[rgbRow * height]());
    if (!rgb) {
        return false;
    }
    const bool decoded = m_context->decoder->decode(*m_context, rgb.get(), rgbRow, 0) == 1;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* from = rgb.get() + y * rgbRow;
        std::uint8_t* to = rgba + y * bytesPerRow;
        for (std::size_t x = 0; x < width; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = 255;
        }
    }
    return decoded;
}

} // namespace sondrel::controls
