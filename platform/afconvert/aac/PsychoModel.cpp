#include "platform/afconvert/aac/PsychoModel.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert::aac {

namespace {
constexpr float kUpwardSpreadDbPerBark = 15.0f;
constexpr float kDownwardSpreadDbPerBark = 30.0f;
constexpr float kNoiseMaskingDb = 6.0f;
// Tonal bands' signal-to-mask ratio. 20 dB spent too much on the tonal
// bands of busy music at low rates (the encoder's low bands are held finer
// besides): 16 scored up to 0.1 ODG higher on chiptune, piano and effects at
// 64 kbit/s and within 0.03 of 20 elsewhere.
constexpr float kToneMaskingDb = 16.0f;
// Spectral flatness (dB) at and below which a band counts as wholly tonal,
// and at and above which as wholly noise-like (Gaussian noise gives about -5.5
// on MDCT lines).
constexpr float kTonalFlatnessDb = -25.0f;
constexpr float kNoiseFlatnessDb = -7.0f;
// A long frame's threshold may rise at most fourfold over the last one's
// (pre-echo control); twofold cost 0.1-0.7 ODG on tonal music with onsets.
constexpr float kPreEchoRise = 4.0f;
// Full scale taken as 106 dB SPL: the threshold in quiet sits 10 dB lower
// than the usual 96 would put it, which kept quiet decays and fades (impacts,
// reverb tails) from being given away: +0.4 ODG on such effects at 96 kbit/s.
constexpr float kFullScaleSpl = 106.0f;

float bark(float hz) {
    return 13.0f * std::atan(0.00076f * hz) + 3.5f * std::atan((hz / 7500.0f) * (hz / 7500.0f));
}

// Above this the threshold in quiet stays at its value here, so that high
// bands are not given away outright. At 16 kHz (8 dB higher, the curve being
// steep there) every band above 16 kHz of pink noise at -10 dBFS was dropped
// at 128 and 192 kbit/s, a narrower band than the FFmpeg encoder's (17.5 and
// 19.7 kHz); from 15.5 kHz the coded band reaches the rate's bandwidth, at
// no cost on the benchmark's clips.
constexpr float kQuietTopHz = 15500.0f;

// The threshold in quiet in dB SPL (Terhardt's approximation), held flat
// above kQuietTopHz.
float thresholdInQuiet(float hz) {
    const float k = std::clamp(hz, 20.0f, kQuietTopHz) / 1000.0f;
    return 3.64f * std::pow(k, -0.8f) - 6.5f * std::exp(-0.6f * (k - 3.3f) * (k - 3.3f)) +
           1e-3f * k * k * k * k;
}

float tonality(const float* lines, int width) {
    // The logarithm of a product of eight lines at a time: a line's power
    // lies between 1e-3 and about 1e18, so eight of them stay far inside a
    // double's range, and one logarithm does the work of eight.
    double logSum = 0;
    double sum = 0;
    double product = 1;
    for (int k = 0; k < width; ++k) {
        const double p = double(lines[k]) * lines[k] + 1e-3;
        product *= p;
        sum += p;
        if ((k & 7) == 7) {
            logSum += std::log(product);
            product = 1;
        }
    }
    logSum += std::log(product);
    const double flatnessDb = 10.0 * (logSum / width - std::log(sum / width)) / std::log(10.0);
    return std::clamp(
        float((kNoiseFlatnessDb - flatnessDb) / (kNoiseFlatnessDb - kTonalFlatnessDb)), 0.0f, 1.0f);
}

} // namespace

const PsychoModel::BandConstants& PsychoModel::constantsFor(const BandLayout& layout,
                                                            bool shortWindows) {
    BandConstants& c = m_constants[shortWindows ? 1 : 0];
    const int n = layout.bands;
    if (c.bands == n && (n == 0 || c.topCentre == layout.centre[size_t(n - 1)]))
        return c;
    c.bands = n;
    c.topCentre = n > 0 ? layout.centre[size_t(n - 1)] : 0.0f;
    std::array<float, kMaxLongBands> z{};
    for (int b = 0; b < n; ++b) {
        c.quiet[size_t(b)] = athEnergy(layout, b, shortWindows);
        z[size_t(b)] = bark(layout.centre[size_t(b)]);
    }
    for (int b = 1; b < n; ++b)
        c.fromBelow[size_t(b)] =
            std::pow(10.0f, -kUpwardSpreadDbPerBark * (z[b] - z[b - 1]) / 10.0f);
    for (int b = n - 2; b >= 0; --b)
        c.fromAbove[size_t(b)] =
            std::pow(10.0f, -kDownwardSpreadDbPerBark * (z[b + 1] - z[b]) / 10.0f);
    return c;
}

float PsychoModel::athEnergy(const BandLayout& layout, int band, bool shortWindows) const {
    // A full-scale sine of amplitude A gives a long frame's lines N^2 A^2 of
    // energy, N = 1024 (128 for a short window).
    const float n = shortWindows ? float(kShortLines) : float(kFrameLines);
    const float fullScale = n * n * 32768.0f * 32768.0f;
    const float db = thresholdInQuiet(layout.centre[band]) - kFullScaleSpl;
    return fullScale * std::pow(10.0f, db / 10.0f);
}

// Each band's energy and tonality (indexed by slot), and the threshold the
// bands of group g mask, before the threshold in quiet and the limit on its
// rise.
void PsychoModel::spreadGroup(const float* lines, const BandLayout& layout, bool shortWindows,
                              int g, int codedBands, float* energy, float* tonal,
                              std::array<float, kMaxLongBands>& spread) {
    const BandConstants& constants = constantsFor(layout, shortWindows);
    for (int b = 0; b < codedBands; ++b) {
        const int s = BandLayout::slot(g, b);
        const float* x = lines + layout.start[s];
        float e = 0;
        for (int k = 0; k < layout.width[s]; ++k)
            e += x[k] * x[k];
        energy[s] = e;
        tonal[s] = tonality(x, layout.width[s]);
        const float smr = kNoiseMaskingDb + (kToneMaskingDb - kNoiseMaskingDb) * tonal[s];
        spread[b] = e * std::pow(10.0f, -smr / 10.0f);
    }
    for (int b = 1; b < codedBands; ++b)
        spread[b] = std::max(spread[b], spread[b - 1] * constants.fromBelow[size_t(b)]);
    for (int b = codedBands - 2; b >= 0; --b)
        spread[b] = std::max(spread[b], spread[b + 1] * constants.fromAbove[size_t(b)]);
}

void PsychoModel::longThreshold(const float* lines, const BandLayout& layout, int codedBands,
                                std::array<float, kMaxLongBands>& out) {
    std::array<float, kMaxLongBands> energy{};
    std::array<float, kMaxLongBands> tonal{};
    std::array<float, kMaxLongBands> spread{};
    spreadGroup(lines, layout, false, 0, codedBands, energy.data(), tonal.data(), spread);
    const BandConstants& constants = constantsFor(layout, false);
    for (int b = 0; b < codedBands; ++b)
        out[size_t(b)] = std::max(spread[size_t(b)], constants.quiet[size_t(b)]);
}

void PsychoModel::analyse(const float* lines, const BandLayout& layout, bool shortWindows,
                          int codedBands, BandMasking& out) {
    out.perceptualEntropy = 0;
    const BandConstants& constants = constantsFor(layout, shortWindows);
    for (int g = 0; g < layout.groupCount; ++g) {
        std::array<float, kMaxLongBands> spread{};
        spreadGroup(lines, layout, shortWindows, g, codedBands, out.energy.data(),
                    out.tonality.data(), spread);
        const int windows = layout.windows[g];
        for (int b = 0; b < codedBands; ++b) {
            const int s = BandLayout::slot(g, b);
            float thr = spread[b];
            if (!shortWindows) {
                if (m_previousLong)
                    thr = std::min(thr, kPreEchoRise * m_previous[b]);
                m_previous[b] = thr;
            }
            out.quiet[s] = constants.quiet[size_t(b)] * float(windows);
            thr = std::max(thr, out.quiet[s]);
            out.threshold[s] = thr;
            if (out.energy[s] > thr)
                out.perceptualEntropy +=
                    float(layout.width[s]) * 0.5f * std::log2(out.energy[s] / thr);
        }
    }
    m_previousLong = !shortWindows;
}

} // namespace sondrel::afconvert::aac
