#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/controls/ImageDecoder.h"

namespace sondrel::controls {

// One decoding of an image held in memory, on the calling thread's decoder context: the
// constructor selects the first registered decoder that accepts the data, the destructor closes
// it. The data is borrowed and must outlive the selection; a selection must not outlive or
// overlap another one on the same thread.
class DecoderSelection {
public:
    DecoderSelection(const std::uint8_t* data, std::uint32_t size);
    ~DecoderSelection();
    DecoderSelection(const DecoderSelection&) = delete;
    DecoderSelection& operator=(const DecoderSelection&) = delete;
    DecoderSelection(DecoderSelection&&) = delete;
    DecoderSelection& operator=(DecoderSelection&&) = delete;

    // The identifier of the decoder that accepted the data, or 0 when none did (then every
    // other query gives 0 and decoding fails). Data of unknown size is accepted by none.
    std::uint32_t decoderId() const { return m_context ? m_context->decoder->identifier : 0; }
    std::int32_t width() const { return m_context ? m_context->width : 0; }
    std::int32_t height() const { return m_context ? m_context->height : 0; }
    std::int32_t depth() const { return m_context ? m_context->depth : 0; }
    std::int32_t sourceDepth() const { return m_context ? m_context->sourceDepth : 0; }

    // Fills a width x height bitmap of R, G, B, A bytes, rows top-down, `bytesPerRow` apart
    // (at least width x 4). A decoder delivering RGBA writes into it directly; one delivering
    // RGB goes through a temporary buffer and every pixel gets alpha 255. Returns the decoder's
    // answer (false also when no decoder was selected, the size is not a usable image or the
    // buffer cannot be had). Pixels the decoder did not reach are left as they were, apart from
    // RGB decoding, which leaves them black and opaque.
    bool decodeRgba(std::uint8_t* rgba, std::size_t bytesPerRow);

private:
    bool decodeThroughRgb(std::uint8_t* rgba, std::size_t bytesPerRow);

    ImageDecoderContext* m_context = nullptr; // null when no decoder accepted the data
};

} // namespace sondrel::controls
