#pragma once

#include <array>
#include <cstdint>

namespace sondrel::afconvert::aac {

// Lines in one frame (a long window's half) and in one short window.
constexpr int kFrameLines = 1024;
constexpr int kShortLines = 128;
constexpr int kShortWindows = 8;
// The most scalefactor bands any sampling rate has: 51 long (32 kHz), 15 short.
constexpr int kMaxLongBands = 51;
constexpr int kMaxShortBands = 15;
// Scalefactor bands are indexed group * kMaxLongBands + band in every table
// below, for long and short windows alike.
constexpr int kBandSlots = kShortWindows * kMaxLongBands;

// window_sequence as the bitstream codes it.
enum class WindowSequence : uint8_t { OnlyLong = 0, LongStart = 1, EightShort = 2, LongStop = 3 };
// window_shape: the shape of the window's second half (the first half takes
// the previous frame's).
enum class WindowShape : uint8_t { Sine = 0, Kbd = 1 };

// Codebook numbers as section_data codes them.
constexpr uint8_t kZeroBook = 0;    // every line of the band is zero; no scale factor
constexpr uint8_t kEscapeBook = 11; // values of 16 and more through the escape sequence
constexpr uint8_t kNoiseBook = 13;  // perceptual noise substitution
constexpr uint8_t kIntensityOutOfPhase = 14;
constexpr uint8_t kIntensityInPhase = 15;

// One individual_channel_stream as the encoder decided it: everything the
// bitstream writer needs, nothing it must compute but the codes themselves.
struct IcsFrame {
    WindowSequence sequence = WindowSequence::OnlyLong;
    WindowShape shape = WindowShape::Sine;
    // Bands coded in each group (max_sfb); the bands above are zero.
    int maxBands = 0;
    // Window groups: 1 group of 1 window for long sequences; for EightShort
    // the windows per group, in order, summing to 8.
    int groupCount = 1;
    std::array<uint8_t, kShortWindows> groupLength{1, 0, 0, 0, 0, 0, 0, 0};
    // Per group and band (group * kMaxLongBands + band): the codebook, 0 to 15.
    std::array<uint8_t, kBandSlots> book{};
    // Per group and band: the scale factor (0 to 255) for spectral books, the
    // noise energy for kNoiseBook, the intensity position for books 14 and 15;
    // unused for kZeroBook. Each kind is coded as the difference from the
    // previous band of its kind: the writer refuses a difference outside -60..60
    // (the first spectral band's scale factor is global_gain itself).
    std::array<int16_t, kBandSlots> scalefactor{};
    // Quantised lines, |value| <= 8191: for long windows lines 0..1023; for
    // EightShort window w holds lines w * 128 .. w * 128 + 127 (the writer
    // interleaves them by group and band as the bitstream orders them).
    std::array<int16_t, kFrameLines> quantized{};
    // Temporal noise shaping: per window (one for long sequences) up to 1
    // filter for short windows, 3 for long ones.
    struct TnsFilter {
        // In scalefactor bands, downwards: the first filter's top is the top of
        // the window's band table (all the rate's bands, not maxBands), each
        // further filter's top the bottom of the one before. Decoders filter
        // only the part below maxBands (and a per-rate TNS band limit).
        int length = 0;
        int order = 0; // 0 = no filter; at most 12 long, 7 short (AAC-LC)
        bool downward = false;
        bool coefCompress = false;
        int coefResolution = 4;        // 3 or 4 bits (coef_res 0 or 1), the same for a window
        std::array<int8_t, 12> coef{}; // quantised reflection coefficient indices
    };
    struct TnsWindow {
        int filterCount = 0;
        std::array<TnsFilter, 3> filter{};
    };
    bool tnsPresent = false;
    std::array<TnsWindow, kShortWindows> tns{};
};

// What a channel pair shares: common_window (both channels then take the
// first channel's window sequence, shape, band count and grouping) and the
// mid/side decision per group and band.
struct PairCoding {
    bool commonWindow = false;
    // ms_mask_present: 0 none, 1 per band (msUsed), 2 every band.
    int msMaskPresent = 0;
    std::array<uint8_t, kBandSlots> msUsed{};
};

} // namespace sondrel::afconvert::aac
