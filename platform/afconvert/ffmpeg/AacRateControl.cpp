#include "platform/afconvert/ffmpeg/AacRateControl.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sondrel::afconvert {

namespace {

struct LambdaPoint {
    double bitsPerFrameAndChannel;
    double lambda;
};

// Measured with the encoder on mixed tonal and noisy material: the
// quantiser's lambda that gives the bits per 1024-frame packet and channel.
constexpr std::array<LambdaPoint, 7> kLambdaForBits = {{
    {238, 11.8},
    {392, 29.5},
    {736, 59.0},
    {1015, 88.5},
    {1270, 118.0},
    {2125, 236.0},
    {3019, 354.0},
}};

double lambdaFor(double bitsPerFrameAndChannel) {
    const auto& t = kLambdaForBits;
    if (bitsPerFrameAndChannel <= t.front().bitsPerFrameAndChannel)
        return t.front().lambda * bitsPerFrameAndChannel / t.front().bitsPerFrameAndChannel;
    for (size_t i = 1; i < t.size(); ++i) {
        if (bitsPerFrameAndChannel <= t[i].bitsPerFrameAndChannel) {
            const double f = (bitsPerFrameAndChannel - t[i - 1].bitsPerFrameAndChannel) /
                             (t[i].bitsPerFrameAndChannel - t[i - 1].bitsPerFrameAndChannel);
            return t[i - 1].lambda + f * (t[i].lambda - t[i - 1].lambda);
        }
    }
    return t.back().lambda;
}

double bitsPerFrameAndChannel(int64_t bitRate, int channels, int sampleRate) {
    return static_cast<double>(bitRate) * 1024.0 / sampleRate / channels;
}

} // namespace

int64_t defaultAacBitRate(int channels) {
    return int64_t(64000) * channels;
}

AacRatePlan planAacRate(AacStrategy strategy, int64_t bitRate, std::optional<int> variableQuality,
                        int channels, int sampleRate) {
    AacRatePlan plan;
    const int64_t nominal = bitRate > 0 ? bitRate : defaultAacBitRate(channels);
    plan.bitRate = nominal;
    const auto kbps = std::to_string(nominal / 1000) + " kbit/s";
    switch (strategy) {
    case AacStrategy::Constant:
        plan.padToConstant = true;
        plan.declared = {static_cast<uint32_t>(nominal), static_cast<uint32_t>(nominal)};
        plan.description = "constant bit rate " + kbps;
        break;
    case AacStrategy::Average:
        plan.declared = {static_cast<uint32_t>(nominal), 0};
        plan.description = "average bit rate " + kbps;
        break;
    case AacStrategy::ConstrainedVariable:
        plan.constantQuantizer = true;
        plan.globalQuality = static_cast<int>(
            std::lround(lambdaFor(bitsPerFrameAndChannel(nominal, channels, sampleRate))));
        plan.declared = {static_cast<uint32_t>(nominal), 0};
        plan.description = "constrained variable bit rate about " + kbps;
        break;
    case AacStrategy::Variable: {
        plan.constantQuantizer = true;
        double bits = 0;
        if (variableQuality || bitRate <= 0) {
            // Quality 0..127 spans the table: 64 gives about 70 kbit/s per channel at 44.1 kHz.
            const int quality = variableQuality.value_or(64);
            const auto& t = kLambdaForBits;
            bits = t.front().bitsPerFrameAndChannel +
                   quality / 127.0 *
                       (t.back().bitsPerFrameAndChannel - t.front().bitsPerFrameAndChannel);
            plan.description = "variable bit rate, quality " + std::to_string(quality);
        } else {
            bits = bitsPerFrameAndChannel(nominal, channels, sampleRate);
            plan.description = "variable bit rate about " + kbps;
        }
        plan.globalQuality = static_cast<int>(std::lround(lambdaFor(bits)));
        plan.declared = {0, 0};
        break;
    }
    }
    plan.globalQuality = std::max(plan.globalQuality, 1);
    return plan;
}

} // namespace sondrel::afconvert
