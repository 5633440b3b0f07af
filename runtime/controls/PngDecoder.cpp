#include "runtime/controls/PngDecoder.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace sondrel::controls {
namespace {

constexpr std::size_t kSignatureSize = 8;
// Image objects keep their sides in 16 bits.
constexpr png_uint_32 kMaxSide = 65535;

// Kept in the context's private words from check to close.
struct PngState {
    png_structp png;
    png_infop info;
    const std::uint8_t* position; // next byte libpng reads
    const std::uint8_t* end;      // one past the data
    int colorType;                // after the transformations
    int bitDepth;                 // after the transformations
    int passes;                   // 7 for interlaced images, else 1
};

void destroy(PngState& state) {
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    state = {};
}

// Stops libpng with its error mechanism, which jumps back to the setjmp of check or decode.
[[noreturn]] void stopOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void dropWarning(png_structp, png_const_charp) {}

// libpng asks for exact byte counts; data that ends early is an error, never a short read that
// would leave part of libpng's buffer undefined.
void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    const auto left = static_cast<png_size_t>(state->end - state->position);
    if (length > left) {
        png_error(png, "PNG data ends early");
    }
    std::memcpy(out, state->position, length);
    state->position += length;
}

int sourceDepth(int colorType, int bitDepth, bool hasTrns) {
    switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        return hasTrns ? 32 : bitDepth;
    case PNG_COLOR_TYPE_GRAY:
        return hasTrns ? (bitDepth == 16 ? 16 : 8) : bitDepth;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return bitDepth;
    case PNG_COLOR_TYPE_RGB:
        return hasTrns ? 32 : 24;
    default:
        return 32;
    }
}

// Reads the header and asks for 8-bit RGB or RGBA rows. Called under check's setjmp.
void readHeader(ImageDecoderContext& context, PngState& state) {
    png_structp png = state.png;
    png_infop info = state.info;
    png_set_user_limits(png, kMaxSide, kMaxSide);
#ifdef SONDREL_PNG_IGNORE_CHECKSUMS
    // Fuzz builds only: mutated data rarely keeps its checksums right, and a decoder that stops
    // at every checksum would never be fuzzed past the first chunk.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);

    const int fileColorType = png_get_color_type(png, info);
    const int fileBitDepth = png_get_bit_depth(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasTrns) {
        png_set_tRNS_to_alpha(png);
    }
    const bool greyOrPalette = fileColorType == PNG_COLOR_TYPE_GRAY ||
                               fileColorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
                               fileColorType == PNG_COLOR_TYPE_PALETTE;
    if (greyOrPalette && fileBitDepth < 8) {
        png_set_expand(png);
    }
    if (fileColorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (fileColorType == PNG_COLOR_TYPE_GRAY || fileColorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (fileBitDepth == 16) {
        png_set_strip_16(png);
    }
    state.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_get_IHDR(png, info, &width, &height, &state.bitDepth, &state.colorType, nullptr, nullptr,
                 nullptr);
    context.width = static_cast<std::int32_t>(width);
    context.height = static_cast<std::int32_t>(height);
    context.depth = state.colorType == PNG_COLOR_TYPE_RGB ? 24 : 32;
    context.sourceDepth = sourceDepth(fileColorType, fileBitDepth, hasTrns);
}

int check(ImageDecoderContext& context) {
    if (!context.data || context.size < kSignatureSize ||
        png_sig_cmp(context.data, 0, kSignatureSize) != 0) {
        return 0;
    }
    PngState& state = StartDecoderState<PngState>(context);
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopOnError, dropWarning);
    if (!state.png) {
        return 0;
    }
    state.info = png_create_info_struct(state.png);
    if (!state.info) {
        destroy(state);
        return 0;
    }
    // libpng reads the signature again from the start of the data.
    state.position = context.data;
    state.end = context.data + context.size;
    png_set_read_fn(state.png, &state, readFromMemory);
    // Nothing here but `state` (not changed after setjmp) lives across the jump.
    if (setjmp(png_jmpbuf(state.png))) {
        destroy(state);
        return 0;
    }
    readHeader(context, state);
    return 1;
}

// Reads every pass, one row at a time, straight into the destination. Called under decode's
// setjmp.
void readRows(const ImageDecoderContext& context, PngState& state, std::uint8_t* rows,
              std::size_t bytesPerRow, int flags) {
    const auto height = static_cast<std::size_t>(context.height);
    for (int pass = 0; pass < state.passes; ++pass) {
        for (std::size_t y = 0; y < height; ++y) {
            const std::size_t row = flags & kDecodeBottomUp ? height - 1 - y : y;
            png_bytep target = rows + row * bytesPerRow;
            png_read_rows(state.png, &target, nullptr, 1);
        }
    }
}

int decode(ImageDecoderContext& context, std::uint8_t* rows, std::size_t bytesPerRow, int flags) {
    PngState& state = DecoderState<PngState>(context);
    if (!state.png || !rows || png_get_rowbytes(state.png, state.info) > bytesPerRow) {
        return 0;
    }
    if (setjmp(png_jmpbuf(state.png))) {
        return 0; // the rows read so far stay
    }
    readRows(context, state, rows, bytesPerRow, flags);
    return 1;
}

void close(ImageDecoderContext& context) {
    PngState& state = DecoderState<PngState>(context);
    if (state.png) {
        destroy(state);
    }
}

} // namespace

const ImageDecoder& PngDecoder() {
    static const ImageDecoder decoder{check, decode, close, kPngDecoderId};
    return decoder;
}

int RegisterPngDecoder() {
    int count = 0;
    const ImageDecoder* decoders = RegisteredImageDecoders(count);
    for (int i = 0; i < count; ++i) {
        if (decoders[i].identifier == kPngDecoderId && decoders[i].check == check) {
            return count;
        }
    }
    return RegisterImageDecoder(PngDecoder());
}

} // namespace sondrel::controls
