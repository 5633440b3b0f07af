#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace sondrel::afconvert {

// The qualities (noise offsets, dB from where the rate usually lands on
// music) at which a file may be measured to find the one that spends a
// given rate. Speech and sparse effects need much finer coding than music
// to spend the same rate (clean speech at 128 kbit/s stereo: 24 dB finer;
// footsteps and impacts at 96 kbit/s, with the window shape chosen frame by
// frame, more than 36: 11% under the rate where the range ended there);
// at four bits a sample and more, where every line's noise is also held
// under a level common to the frame, a dense voice needs coarser (mono
// speech at 32 kHz and 128 kbit/s: 14 dB coarser, which a range ending 12
// dB coarser missed: 154 kbit/s).
inline constexpr std::array<float, 15> kQualitySteps{-48.0f, -42.0f, -36.0f, -30.0f, -24.0f,
                                                     -18.0f, -12.0f, -8.0f,  -4.0f,  0.0f,
                                                     4.0f,   8.0f,   12.0f,  18.0f,  24.0f};

// What a file spends at each step measured so far.
struct QualityTally {
    std::array<double, kQualitySteps.size()> bits{};
    std::array<bool, kQualitySteps.size()> measured{};
    int64_t blocks = 0;
};

// The measured steps either side of `targetBits`: the last step that spends
// more and the first that spends no more (the same step twice where the
// target lies beyond the measured ones).
std::pair<size_t, size_t> bracketTarget(const QualityTally& tally, double targetBits);

// The steps measured first.
std::vector<size_t> firstQualitySteps();

// The steps to measure next, none once the target lies between neighbouring
// steps or beyond an end of the range. Bits fall about exponentially with
// the offset, so the steps either side of where the measured ones put the
// target are measured next: the same neighbours that measuring every step
// would find (bits falling with the offset), in about three steps of the
// fifteen, in two or three rounds.
std::vector<size_t> nextQualitySteps(const QualityTally& tally, double targetBits);

// The offset (relative to the steps' centre) whose bits meet the target,
// between the steps that bracket it.
float offsetForTarget(const QualityTally& tally, double targetBits);

} // namespace sondrel::afconvert
