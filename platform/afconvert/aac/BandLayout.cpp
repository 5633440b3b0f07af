#include "platform/afconvert/aac/BandLayout.h"

#include "platform/afconvert/aac/SamplingRates.h"

namespace sondrel::afconvert::aac {

BandLayout bandLayout(const IcsFrame& frame, int frequencyIndex, int sampleRate) {
    BandLayout layout;
    const bool eight = frame.sequence == WindowSequence::EightShort;
    const auto offsets = eight ? shortBandOffsets(frequencyIndex) : longBandOffsets(frequencyIndex);
    const int windowLines = eight ? kShortLines : kFrameLines;
    layout.bands = static_cast<int>(offsets.size()) - 1;
    layout.groupCount = eight ? frame.groupCount : 1;
    for (int b = 0; b < layout.bands; ++b)
        layout.centre[b] = 0.5f * float(offsets[b] + offsets[b + 1]) * float(sampleRate) /
                           (2.0f * float(windowLines));
    int position = 0;
    for (int g = 0; g < layout.groupCount; ++g) {
        const int windows = eight ? frame.groupLength[g] : 1;
        layout.windows[g] = static_cast<uint8_t>(windows);
        for (int b = 0; b < layout.bands; ++b) {
            const int s = BandLayout::slot(g, b);
            layout.start[s] = static_cast<int16_t>(position);
            layout.width[s] = static_cast<int16_t>((offsets[b + 1] - offsets[b]) * windows);
            position += layout.width[s];
        }
    }
    return layout;
}

namespace {

template <typename T, typename Move>
void walkShort(const IcsFrame& frame, int frequencyIndex, Move move) {
    const auto offsets = shortBandOffsets(frequencyIndex);
    const int bands = static_cast<int>(offsets.size()) - 1;
    int position = 0;
    int window = 0;
    for (int g = 0; g < frame.groupCount; ++g) {
        for (int b = 0; b < bands; ++b)
            for (int w = 0; w < frame.groupLength[g]; ++w)
                for (int k = offsets[b]; k < offsets[b + 1]; ++k)
                    move((window + w) * kShortLines + k, position++);
        window += frame.groupLength[g];
    }
}

} // namespace

void interleaveShort(const IcsFrame& frame, int frequencyIndex, const float* windows, float* out) {
    walkShort<float>(frame, frequencyIndex,
                     [&](int natural, int ordered) { out[ordered] = windows[natural]; });
}

void deinterleaveShort(const IcsFrame& frame, int frequencyIndex, const int16_t* in,
                       int16_t* windows) {
    walkShort<int16_t>(frame, frequencyIndex,
                       [&](int natural, int ordered) { windows[natural] = in[ordered]; });
}

} // namespace sondrel::afconvert::aac
