#include "platform/afconvert/aac/SamplingRates.h"

#include <array>

namespace sondrel::afconvert::aac {

namespace {

// The rates sampling_frequency_index 0..11 stands for.
constexpr std::array<int, 12> kRates = {96000, 88200, 64000, 48000, 44100, 32000,
                                        24000, 22050, 16000, 12000, 11025, 8000};

} // namespace

int samplingFrequencyIndex(int sampleRate) {
    for (size_t i = 0; i < kRates.size(); ++i)
        if (kRates[i] == sampleRate)
            return int(i);
    return -1;
}

int standardRate(int index) {
    return index >= 0 && index < int(kRates.size()) ? kRates[size_t(index)] : 0;
}

int nearestStandardRate(int sampleRate) {
    // The rates fall with the index: the last at or above is the nearest.
    for (size_t i = kRates.size(); i-- > 0;)
        if (kRates[i] >= sampleRate)
            return kRates[i];
    return kRates.front();
}

} // namespace sondrel::afconvert::aac
