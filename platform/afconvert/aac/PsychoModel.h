#pragma once

#include <array>

#include "platform/afconvert/aac/BandLayout.h"

namespace sondrel::afconvert::aac {

// What the ear allows in each band of a frame: the band's energy, the noise
// energy it masks, and the frame's perceptual entropy (about the bits the
// frame needs to keep its noise under the masked threshold).
struct BandMasking {
    std::array<float, kBandSlots> energy{};
    std::array<float, kBandSlots> threshold{};
    // The threshold in quiet: noise under it is inaudible however rich the rate.
    std::array<float, kBandSlots> quiet{};
    // 0 for noise-like bands, 1 for tonal ones.
    std::array<float, kBandSlots> tonality{};
    float perceptualEntropy = 0;
};

// A per-channel masking model in the band domain: band energies spread
// over the Bark scale (15 dB a Bark upwards, 30 downwards), lowered by a
// signal-to-mask ratio between noise-like bands (6 dB) and tonal ones (16 dB)
// chosen by the band's spectral flatness, held above the threshold in quiet
// (full scale taken as 96 dB SPL), and kept from rising more than twice from
// one long frame to the next (pre-echo control).
class PsychoModel {
public:
    // What the next frame's analysis takes from this one's (the threshold
    // it may rise from): kept with a frame's analysis and given back.
    struct History {
        std::array<float, kMaxLongBands> previous{};
        bool previousLong = false;
    };
    History history() const { return {m_previous, m_previousLong}; }
    void restore(const History& h) {
        m_previous = h.previous;
        m_previousLong = h.previousLong;
    }

    // lines: the frame's lines in the layout's order; bands above codedBands
    // get no threshold (they are not coded).
    void analyse(const float* lines, const BandLayout& layout, bool shortWindows, int codedBands,
                 BandMasking& out);
    // A long frame's masked threshold per band as analyse() would give it
    // from these lines alone, without the limit on its rise from the last
    // frame: it depends on nothing before the frame and changes no state.
    void longThreshold(const float* lines, const BandLayout& layout, int codedBands,
                       std::array<float, kMaxLongBands>& out);

private:
    // What depends only on where a layout's bands lie: each band's threshold
    // in quiet for one window, and how much of a neighbour's spread reaches
    // it from below and from above. Worked out once for long and once for
    // short windows instead of in every frame.
    struct BandConstants {
        int bands = -1; // not yet worked out
        float topCentre = 0;
        std::array<float, kMaxLongBands> quiet{};
        std::array<float, kMaxLongBands> fromBelow{};
        std::array<float, kMaxLongBands> fromAbove{};
    };
    const BandConstants& constantsFor(const BandLayout& layout, bool shortWindows);
    void spreadGroup(const float* lines, const BandLayout& layout, bool shortWindows, int g,
                     int codedBands, float* energy, float* tonal,
                     std::array<float, kMaxLongBands>& spread);
    float athEnergy(const BandLayout& layout, int band, bool shortWindows) const;

    std::array<BandConstants, 2> m_constants; // long, short
    std::array<float, kMaxLongBands> m_previous{};
    bool m_previousLong = false;
};

} // namespace sondrel::afconvert::aac
