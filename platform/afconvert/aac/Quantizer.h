#pragma once

#include <array>
#include <cstdint>

#include "platform/afconvert/aac/BandLayout.h"

namespace sondrel::afconvert::aac {

// AAC's quantiser: q = int(|x|^(3/4) * 2^(-3/16 (sf - 100)) + 0.4054), which a
// decoder maps back to sign(q) |q|^(4/3) 2^((sf - 100) / 4).
class Quantizer {
public:
    static constexpr int kLargestValue = 8191;
    static constexpr float kRounding = 0.4054f;

    // Prepares a frame's lines (in layout order) for the searches below.
    void load(const float* lines, int count);

    // The coarsest scale factor whose quantisation noise in the band stays
    // at or under `allowed` (energy units); -1 when the band may be dropped
    // (allowed at or over its energy, or nothing survives quantisation).
    // `hint` (a scale factor near the answer, such as the band's in the last
    // search, or -1) only makes the search quicker.
    int searchScalefactor(int start, int width, float energy, float allowed, int hint = -1) const;
    // The finest scale factor that keeps every value in range.
    int finestScalefactor(int start, int width) const;
    // Quantises a band; returns whether any value is non-zero.
    bool quantize(int start, int width, int scalefactor, int16_t* out) const;
    // The noise energy a band would have at a scale factor.
    float distortion(int start, int width, int scalefactor) const;

private:
    int finestOf(int start, int width) const;

    std::array<float, kFrameLines> m_value{};
    std::array<float, kFrameLines> m_magnitude{};
    std::array<float, kFrameLines> m_power{}; // |x|^(3/4)
    // finestScalefactor by the band's first line (bands start on multiples
    // of four), with the width it was found for; a width of 0 until then.
    // A frame's bands are searched again and again (at every noise offset
    // tried): the finest scale factor, a scan of the band and a logarithm,
    // was a twentieth of the time.
    struct Finest {
        int16_t scalefactor = 0;
        int16_t width = 0;
    };
    mutable std::array<Finest, kFrameLines / 4> m_finest{};
};

} // namespace sondrel::afconvert::aac
