#include "runtime/controls/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace sondrel::controls {
namespace {

// Offsets of the file header (14 bytes) and of the info header that follows it.
constexpr std::uint64_t kPixelOffsetField = 10; // bfOffBits
constexpr std::uint64_t kHeaderSizeField = 14;  // biSize
constexpr std::uint64_t kWidthField = 18;       // biWidth
constexpr std::uint64_t kHeightField = 22;      // biHeight
constexpr std::uint64_t kBitCountField = 28;    // biBitCount
constexpr std::uint64_t kCompressionField = 30; // biCompression
constexpr std::uint64_t kColorsUsedField = 46;  // biClrUsed
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kMaxSide = 65535;

constexpr std::uint32_t kRgb = 0;       // BI_RGB
constexpr std::uint32_t kRle8 = 1;      // BI_RLE8
constexpr std::uint32_t kRle4 = 2;      // BI_RLE4
constexpr std::uint32_t kBitFields = 3; // BI_BITFIELDS

struct Rgb {
    std::uint8_t red, green, blue;
};
using Palette = std::array<Rgb, 256>;

// The source bytes with bounds-checked little-endian reads.
struct Source {
    const std::uint8_t* data;
    std::uint64_t size;

    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= size && count <= size - offset;
    }
    std::uint32_t u16(std::uint64_t offset) const {
        return has(offset, 2) ? data[offset] | (data[offset + 1] << 8) : 0;
    }
    std::uint32_t u32(std::uint64_t offset) const {
        return has(offset, 4) ? u16(offset) | (u16(offset + 2) << 16) : 0;
    }
};

// Where decoded pixels go: the image's rows, addressed by the file's row order.
class Target {
public:
    Target(const ImageDecoderContext& context, std::uint8_t* rows, std::size_t bytesPerRow,
           int flags, bool fileTopDown)
        : m_rows(rows), m_bytesPerRow(bytesPerRow), m_width(context.width),
          m_height(context.height), m_fileTopDown(fileTopDown),
          m_outputBottomUp((flags & kDecodeBottomUp) != 0) {}

    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }

    // The output row of the file's row `fileRow` (0 is the first row stored in the file).
    std::uint8_t* row(std::uint32_t fileRow) const {
        const std::uint32_t imageRow = m_fileTopDown ? fileRow : m_height - 1 - fileRow;
        const std::uint32_t outputRow = m_outputBottomUp ? m_height - 1 - imageRow : imageRow;
        return m_rows + outputRow * m_bytesPerRow;
    }
    void put(std::uint64_t x, std::uint64_t fileRow, Rgb color) const {
        if (x < m_width && fileRow < m_height) {
            std::uint8_t* pixel = row(static_cast<std::uint32_t>(fileRow)) + x * 3;
            pixel[0] = color.red;
            pixel[1] = color.green;
            pixel[2] = color.blue;
        }
    }

private:
    std::uint8_t* m_rows;
    std::size_t m_bytesPerRow;
    std::uint32_t m_width;
    std::uint32_t m_height;
    bool m_fileTopDown;
    bool m_outputBottomUp;
};

Palette readPalette(const Source& source, std::uint32_t bitCount) {
    Palette palette{}; // indexes past the file's table stay black
    const std::uint64_t tableOffset = kFileHeaderSize + source.u32(kHeaderSizeField);
    std::uint64_t entries = source.u32(kColorsUsedField);
    if (entries == 0) {
        entries = bitCount <= 8 ? std::uint64_t{1} << bitCount : 0;
    }
    entries = std::min<std::uint64_t>(entries, palette.size());
    for (std::uint64_t i = 0; i < entries && source.has(tableOffset + i * 4, 4); ++i) {
        const std::uint8_t* entry = source.data + tableOffset + i * 4; // blue, green, red, 0
        palette[i] = {entry[2], entry[1], entry[0]};
    }
    return palette;
}

// Decodes `count` pixels of one uncompressed source row. Returns false for a pixel format that
// is not decoded.
bool decodeRow(const std::uint8_t* src, std::uint32_t count, std::uint32_t bitCount,
               std::uint32_t compression, const Palette& palette, std::uint8_t* out) {
    auto put = [&out](std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        *out++ = red;
        *out++ = green;
        *out++ = blue;
    };
    auto put565 = [&put](std::uint32_t v) {
        put(((v >> 11) & 31) << 3, ((v >> 5) & 63) << 2, (v & 31) << 3);
    };
    auto put555 = [&put](std::uint32_t v) {
        put(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
    };
    for (std::uint32_t x = 0; x < count; ++x) {
        switch (bitCount) {
        case 1: { // black and white, whatever the colour table says
            const std::uint8_t level = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
            put(level, level, level);
            break;
        }
        case 4: {
            const Rgb c = palette[x & 1 ? src[x >> 1] & 15 : src[x >> 1] >> 4];
            put(c.red, c.green, c.blue);
            break;
        }
        case 8: {
            const Rgb c = palette[src[x]];
            put(c.red, c.green, c.blue);
            break;
        }
        case 16: {
            const std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
            compression == kBitFields ? put565(v) : put555(v);
            break;
        }
        case 24:
            put(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 32:
            put(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
            break;
        default:
            return false;
        }
    }
    return true;
}

bool decodeUncompressed(const Source& source, const Target& target, std::uint32_t bitCount,
                        std::uint32_t compression, const Palette& palette) {
    const std::uint64_t offset = source.u32(kPixelOffsetField);
    const std::uint64_t stride = (target.width() * std::uint64_t{bitCount} + 31) / 32 * 4;
    for (std::uint32_t fileRow = 0; fileRow < target.height(); ++fileRow) {
        const std::uint64_t start = offset + fileRow * stride;
        if (start >= source.size) {
            return false; // the data ends before the image does
        }
        const std::uint64_t available = std::min(stride, source.size - start);
        const auto count = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(target.width(), available * 8 / bitCount));
        if (!decodeRow(source.data + start, count, bitCount, compression, palette,
                       target.row(fileRow))) {
            return false;
        }
        if (count < target.width()) {
            return false;
        }
    }
    return true;
}

// 8-bit run-length encoding: pairs of a count and a colour index, or 0 and an escape.
bool decodeRle8(const Source& source, const Target& target, const Palette& palette) {
    std::uint64_t pos = source.u32(kPixelOffsetField);
    std::uint64_t x = 0;
    std::uint64_t y = 0; // file row
    const std::uint64_t width = target.width();
    while (y < target.height() && source.has(pos, 2)) {
        const std::uint8_t count = source.data[pos];
        const std::uint8_t value = source.data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (std::uint64_t i = 0; i < count && x + i < width; ++i) {
                target.put(x + i, y, palette[value]);
            }
            x = std::min(x + count, width);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta: right and up (the file's rows run upward)
            if (!source.has(pos, 2)) {
                return false;
            }
            x = std::min(x + source.data[pos], width);
            y += source.data[pos + 1];
            pos += 2;
            break;
        default: // `value` literal indexes, padded to an even count
            for (std::uint64_t i = 0; i < value && source.has(pos + i, 1); ++i) {
                target.put(x + i, y, palette[source.data[pos + i]]);
            }
            pos += value + (value & 1);
            x = std::min(x + value, width);
            break;
        }
    }
    return y >= target.height();
}

int check(ImageDecoderContext& context) {
    const Source source{context.data, context.size};
    if (!source.has(0, kColorsUsedField + 4) || source.data[0] != 'B' || source.data[1] != 'M' ||
        source.u16(6) != 0 || source.u16(8) != 0) {
        return 0;
    }
    // The older 12-byte core header lays its fields out differently; it is not read.
    if (source.u32(kHeaderSizeField) < kInfoHeaderSize) {
        return 0;
    }
    const auto width = static_cast<std::int32_t>(source.u32(kWidthField));
    const auto height = static_cast<std::int32_t>(source.u32(kHeightField));
    // A negative height marks rows stored top-down. Sides beyond 16 bits cannot be held by an
    // image object.
    if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide || height < -kMaxSide) {
        return 0;
    }
    context.width = width;
    context.height = height < 0 ? -height : height;
    context.depth = 24;
    context.sourceDepth = static_cast<std::int32_t>(source.u16(kBitCountField));
    return 1;
}

int decode(ImageDecoderContext& context, std::uint8_t* rows, std::size_t bytesPerRow, int flags) {
    if (!rows || context.width <= 0 || context.height <= 0 ||
        bytesPerRow < static_cast<std::size_t>(context.width) * 3) {
        return 0;
    }
    const Source source{context.data, context.size};
    const bool fileTopDown = static_cast<std::int32_t>(source.u32(kHeightField)) < 0;
    const Target target(context, rows, bytesPerRow, flags, fileTopDown);
    const std::uint32_t bitCount = source.u16(kBitCountField);
    const std::uint32_t compression = source.u32(kCompressionField);
    const Palette palette = readPalette(source, bitCount);
    switch (bitCount) {
    case 1:
    case 24:
    case 32:
        return decodeUncompressed(source, target, bitCount, compression, palette);
    case 4:
        return compression != kRle4 &&
               decodeUncompressed(source, target, bitCount, compression, palette);
    case 8:
        return compression == kRle8
                   ? decodeRle8(source, target, palette)
                   : decodeUncompressed(source, target, bitCount, compression, palette);
    case 16:
        return (compression == kRgb || compression == kBitFields) &&
               decodeUncompressed(source, target, bitCount, compression, palette);
    default:
        return 0;
    }
}

void close(ImageDecoderContext&) {} // the data belongs to the caller; nothing was opened

} // namespace

const ImageDecoder& BmpDecoder() {
    static const ImageDecoder decoder{check, decode, close, kBmpDecoderId};
    return decoder;
}

int RegisterBmpDecoder() {
    return RegisterImageDecoder(BmpDecoder());
}

} // namespace sondrel::controls
