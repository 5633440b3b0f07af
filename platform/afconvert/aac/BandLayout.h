#pragma once

#include <array>
#include <cstdint>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

// Where each scalefactor band of a frame lies once its lines are put in the
// bitstream's order (for short windows: group by group, band by band, the
// band's lines of each window of the group in turn), so that every band is
// one contiguous run. Long frames keep their natural order.
struct BandLayout {
    int groupCount = 1;
    int bands = 0;                                // scalefactor bands per group (the whole table)
    std::array<uint8_t, kShortWindows> windows{}; // windows in each group
    std::array<int16_t, kBandSlots> start{};
    std::array<int16_t, kBandSlots> width{};
    // The centre frequency of each band of a group, in Hz.
    std::array<float, kMaxLongBands> centre{};

    static int slot(int group, int band) { return group * kMaxLongBands + band; }
};

// The layout of a frame's windows and grouping at a sampling frequency index.
BandLayout bandLayout(const IcsFrame& frame, int frequencyIndex, int sampleRate);

// Puts window-major short-window lines into the layout's order and back.
void interleaveShort(const IcsFrame& frame, int frequencyIndex, const float* windows, float* out);
void deinterleaveShort(const IcsFrame& frame, int frequencyIndex, const int16_t* in,
                       int16_t* windows);

} // namespace sondrel::afconvert::aac
