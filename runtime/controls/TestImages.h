#pragma once

// Test support: small PNG files written with libpng and BMP files assembled byte by byte, so
// every test makes exactly the image it talks about.

#include <csetjmp>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <png.h>

#include "runtime/controls/DecoderSelection.h"

namespace sondrel::controls::test {

using Bytes = std::vector<std::uint8_t>;

struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette{};          // PLTE, for palette images
    std::vector<std::uint8_t> paletteAlpha{};  // tRNS of a palette image
    std::optional<png_color_16> transparent{}; // tRNS key colour of a grey or RGB image
    std::vector<Bytes> rows{};                 // packed rows as PNG stores them (16-bit big-endian)
};

namespace detail {
inline void appendToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void flushNothing(png_structp) {}

// Only trivial locals here: libpng reports errors by longjmp.
inline bool writePng(const PngPicture& picture, Bytes& out, png_structp png, png_infop info,
                     std::vector<png_bytep>& rowPointers) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, &out, appendToBytes, flushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    }
    if (!picture.paletteAlpha.empty()) {
        png_set_tRNS(png, info, picture.paletteAlpha.data(),
                     static_cast<int>(picture.paletteAlpha.size()), nullptr);
    }
    if (picture.transparent) {
        png_color_16 key = *picture.transparent;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, info);
    return true;
}
} // namespace detail

inline Bytes EncodePng(const PngPicture& picture) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng write structures");
    }
    std::vector<Bytes> rows = picture.rows;
    std::vector<png_bytep> rowPointers;
    for (Bytes& row : rows) {
        rowPointers.push_back(row.data());
    }
    Bytes out;
    const bool written = detail::writePng(picture, out, png, info, rowPointers);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        throw std::runtime_error("libpng could not write the test image");
    }
    return out;
}

// A BMP file with a 40-byte info header. `rows` are the stored rows, first stored first
// (bottom-up for a positive height), each padded by this function to four bytes unless
// `compression` is non-zero, in which case `rows` holds one block of encoded data.
struct BmpPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0; // biClrUsed as written into the header
    Bytes masks{};                // bytes between the info header and the colour table
    std::vector<png_color> palette{};
    std::vector<Bytes> rows{};
};

inline void putLe(Bytes& out, std::size_t offset, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline Bytes EncodeBmp(const BmpPicture& picture) {
    Bytes out(54);
    out[0] = 'B';
    out[1] = 'M';
    // Byte by byte: GCC 12 at -O3 misreads a range insert into the fixed-size
    // header as a write past it.
    for (std::uint8_t byte : picture.masks) {
        out.push_back(byte);
    }
    for (const png_color& c : picture.palette) {
        out.insert(out.end(), {c.blue, c.green, c.red, 0});
    }
    const std::size_t pixelOffset = out.size();
    for (const Bytes& row : picture.rows) {
        out.insert(out.end(), row.begin(), row.end());
        while (picture.compression == 0 && (out.size() - pixelOffset) % 4 != 0) {
            out.push_back(0);
        }
    }
    putLe(out, 2, out.size(), 4);   // bfSize
    putLe(out, 10, pixelOffset, 4); // bfOffBits
    putLe(out, 14, 40, 4);          // biSize
    putLe(out, 18, static_cast<std::uint32_t>(picture.width), 4);
    putLe(out, 22, static_cast<std::uint32_t>(picture.height), 4);
    putLe(out, 26, 1, 2); // biPlanes
    putLe(out, 28, picture.bitCount, 2);
    putLe(out, 30, picture.compression, 4);
    putLe(out, 34, out.size() - pixelOffset, 4); // biSizeImage
    putLe(out, 46, picture.colorsUsed, 4);
    return out;
}

// One decoded pixel of an RGBA bitmap, as "r,g,b,a" for readable failures.
inline std::string Pixel(const Bytes& rgba, int width, int x, int y) {
    const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," +
           std::to_string(p[3]);
}

// What the decoder registry made of some data.
struct Decoded {
    std::uint32_t decoderId = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
    int sourceDepth = 0;
    bool complete = false; // the decoder reported success
    Bytes rgba{};          // width x height x 4, filled with 0xEE before decoding

    std::string pixel(int x, int y) const { return Pixel(rgba, width, x, y); }
};

inline Decoded Decode(const Bytes& data, std::uint32_t size) {
    DecoderSelection selection(data.data(), size);
    Decoded result{selection.decoderId(), selection.width(), selection.height(), selection.depth(),
                   selection.sourceDepth()};
    if (result.decoderId != 0 && result.width > 0 && result.height > 0) {
        result.rgba.assign(static_cast<std::size_t>(result.width) * result.height * 4, 0xEE);
        result.complete = selection.decodeRgba(result.rgba.data(), result.width * 4u);
    }
    return result;
}
inline Decoded Decode(const Bytes& data) {
    return Decode(data, static_cast<std::uint32_t>(data.size()));
}

} // namespace sondrel::controls::test
