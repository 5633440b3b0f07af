// Scalefactor band offsets (swb_offset) of AAC for 1024-line and 128-line
// windows at every standard sampling rate: each band's first line, then the
// window's line count. Proved by SamplingRates_test, whose streams at all
// twelve rates decode to the expected PCM in two independent decoders.

#include "platform/afconvert/aac/SamplingRates.h"

#include <array>

namespace sondrel::afconvert::aac {

namespace {

constexpr uint16_t kLong96k[42] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  48,  52,
    56,  64,  72,  80,  88,  96,  108, 120, 132, 144, 156, 172, 188, 212,
    240, 276, 320, 384, 448, 512, 576, 640, 704, 768, 832, 896, 960, 1024,
};

constexpr uint16_t kLong64k[48] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  48,  52,  56,  64,
    72,  80,  88,  100, 112, 124, 140, 156, 172, 192, 216, 240, 268, 304, 344, 384,
    424, 464, 504, 544, 584, 624, 664, 704, 744, 784, 824, 864, 904, 944, 984, 1024,
};

constexpr uint16_t kLong48k[50] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  48,  56,  64,  72,  80,   88,
    96,  108, 120, 132, 144, 160, 176, 196, 216, 240, 264, 292, 320, 352, 384, 416,  448,
    480, 512, 544, 576, 608, 640, 672, 704, 736, 768, 800, 832, 864, 896, 928, 1024,
};

constexpr uint16_t kLong32k[52] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  48,  56,  64,  72,  80,   88,  96,
    108, 120, 132, 144, 160, 176, 196, 216, 240, 264, 292, 320, 352, 384, 416, 448,  480, 512,
    544, 576, 608, 640, 672, 704, 736, 768, 800, 832, 864, 896, 928, 960, 992, 1024,
};

constexpr uint16_t kLong24k[48] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  52,  60,  68,  76,
    84,  92,  100, 108, 116, 124, 136, 148, 160, 172, 188, 204, 220, 240, 260, 284,
    308, 336, 364, 396, 432, 468, 508, 552, 600, 652, 704, 768, 832, 896, 960, 1024,
};

constexpr uint16_t kLong16k[44] = {
    0,   8,   16,  24,  32,  40,  48,  56,  64,  72,  80,  88,  100, 112,  124,
    136, 148, 160, 172, 184, 196, 212, 228, 244, 260, 280, 300, 320, 344,  368,
    396, 424, 456, 492, 532, 572, 616, 664, 716, 772, 832, 896, 960, 1024,
};

constexpr uint16_t kLong8k[41] = {
    0,   12,  24,  36,  48,  60,  72,  84,  96,  108, 120, 132, 144,  156,
    172, 188, 204, 220, 236, 252, 268, 288, 308, 328, 348, 372, 396,  420,
    448, 476, 508, 544, 580, 620, 664, 712, 764, 820, 880, 944, 1024,
};

constexpr uint16_t kShort96k[13] = {
    0, 4, 8, 12, 16, 20, 24, 32, 40, 48, 64, 92, 128,
};

constexpr uint16_t kShort64k[13] = {
    0, 4, 8, 12, 16, 20, 24, 32, 40, 48, 64, 92, 128,
};

constexpr uint16_t kShort48k[15] = {
    0, 4, 8, 12, 16, 20, 28, 36, 44, 56, 68, 80, 96, 112, 128,
};

constexpr uint16_t kShort24k[16] = {
    0, 4, 8, 12, 16, 20, 24, 28, 36, 44, 52, 64, 76, 92, 108, 128,
};

constexpr uint16_t kShort16k[16] = {
    0, 4, 8, 12, 16, 20, 24, 28, 32, 40, 48, 60, 72, 88, 108, 128,
};

constexpr uint16_t kShort8k[16] = {
    0, 4, 8, 12, 16, 20, 24, 28, 36, 44, 52, 60, 72, 88, 108, 128,
};

// By sampling frequency index: 96000, 88200, 64000, 48000, 44100, 32000,
// 24000, 22050, 16000, 12000, 11025, 8000.
constexpr std::array<std::span<const uint16_t>, 12> kLongBands = {
    kLong96k, kLong96k, kLong64k, kLong48k, kLong48k, kLong32k,
    kLong24k, kLong24k, kLong16k, kLong16k, kLong16k, kLong8k,
};
constexpr std::array<std::span<const uint16_t>, 12> kShortBands = {
    kShort96k, kShort96k, kShort64k, kShort48k, kShort48k, kShort48k,
    kShort24k, kShort24k, kShort16k, kShort16k, kShort16k, kShort8k,
};

} // namespace

std::span<const uint16_t> longBandOffsets(int frequencyIndex) {
    if (frequencyIndex < 0 || frequencyIndex >= int(kLongBands.size()))
        return {};
    return kLongBands[size_t(frequencyIndex)];
}

std::span<const uint16_t> shortBandOffsets(int frequencyIndex) {
    if (frequencyIndex < 0 || frequencyIndex >= int(kShortBands.size()))
        return {};
    return kShortBands[size_t(frequencyIndex)];
}

} // namespace sondrel::afconvert::aac
