#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

namespace sondrel::controls {

struct ImageDecoderContext;

// One entry of the decoder registry. A decoder recognises its format by looking at the data.
//
// check: answers 1 when the context's data is in this decoder's format, after filling in width,
//     height, depth (the bits per pixel it delivers: 24 or 32) and source depth and opening
//     whatever decode needs; 0 otherwise (and then nothing is left open).
// decode: writes the pixels into `rows`, a block of height rows of `bytesPerRow` bytes each, as
//     R, G, B (depth 24) or R, G, B, A (depth 32) bytes; rows top-down, or bottom-up when
//     `flags` holds kDecodeBottomUp. Returns 1 on success, 0 on failure (rows written so far
//     stay). Never writes outside the given rows, never reads outside the context's data.
// close: releases what check opened; called once after every successful check.
struct ImageDecoder {
    int (*check)(ImageDecoderContext& context);
    int (*decode)(ImageDecoderContext& context, std::uint8_t* rows, std::size_t bytesPerRow,
                  int flags);
    void (*close)(ImageDecoderContext& context);
    std::uint32_t identifier;
};

// The format name as three letters in the low bytes: "PNG" and "BMP".
constexpr std::uint32_t kPngDecoderId = 'P' | ('N' << 8) | ('G' << 16);
constexpr std::uint32_t kBmpDecoderId = 'B' | ('M' << 8) | ('P' << 16);

// The size that stands for "unknown". Data of unknown size is never decoded: nothing would
// keep a decoder inside what the caller owns.
constexpr std::uint32_t kUnknownImageSize = 2147483647;

// Decode flag: write the rows bottom-up.
constexpr int kDecodeBottomUp = 2;

// At most this many decoders can be registered.
constexpr int kMaxImageDecoders = 30;

// What one decoding knows about its source, one per thread (a per-thread slot of the runtime
// core, so plain bytes aligned to 8), zeroed at the start of each selection.
struct ImageDecoderContext {
    const ImageDecoder* decoder;
    const std::uint8_t* data; // borrowed from the caller for the duration of one decoding
    std::uint32_t size;       // bytes of `data`
    std::int32_t width;
    std::int32_t height;
    std::int32_t depth;       // bits per pixel the decoder delivers: 24 or 32
    std::int32_t sourceDepth; // bits per pixel of the source, as the decoder reports it
    // Eight words of decoder-private state, cleared before each decoder's check.
    alignas(std::uint64_t) std::byte privateState[8 * sizeof(std::uint64_t)];
};

// A decoder keeps its private state as one trivial struct inside the context's private words:
// StartDecoderState creates it (zeroed) in check, DecoderState finds it again later.
template <class State> State& StartDecoderState(ImageDecoderContext& context) {
    static_assert(sizeof(State) <= sizeof(context.privateState));
    static_assert(alignof(State) <= alignof(std::uint64_t));
    static_assert(std::is_trivially_destructible_v<State>);
    return *new (context.privateState) State{};
}
template <class State> State& DecoderState(ImageDecoderContext& context) {
    return *std::launder(reinterpret_cast<State*>(context.privateState));
}

// Empties the decoder table and creates the per-thread decoder context. Called once at start-up
// before any registration (calling it again only empties the table).
void InitImageDecoders();

// Appends a decoder to the table and returns the new count (its position counted from 1), or 0
// when the table is full. The decoder is copied.
int RegisterImageDecoder(const ImageDecoder& decoder);

// The registered decoders, in registration order; `count` receives their number.
const ImageDecoder* RegisteredImageDecoders(int& count);

// The calling thread's decoder context, or null before InitImageDecoders.
ImageDecoderContext* ThreadImageDecoderContext();

} // namespace sondrel::controls
