#include "platform/afconvert/ffmpeg/AacRateControl.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/afconvert/ffmpeg/AacPacketAim.h"

namespace sondrel::afconvert {

namespace {

struct LambdaPoint {
    double bitsPerPacketAndChannel;
    double lambda;
};

// The lambda at which the corpus of bench/quality.sh (music, speech, effects;
// 48 kHz, coded in the band aacBandwidth gives, with intensity stereo below
// kIntensityStereoBelow) spends the bits per 1024-frame packet and channel,
// as the median of its clips. Single clips differ from it by a factor of two
// either way, which is why the rate-led strategies search from here.
constexpr std::array<LambdaPoint, 8> kLambdaForBits = {{
    {171, 40},
    {341, 55},
    {683, 60},
    {1024, 75},
    {1365, 90},
    {2048, 120},
    {2731, 155},
    {3413, 185},
}};

double bitsPerPacketAndChannel(int64_t bitRate, int channels, int sampleRate) {
    return static_cast<double>(bitRate) * 1024.0 / sampleRate / channels;
}

// A quality of 0 to 127 as bits per packet and channel: 64 gives about
// 70 kbit/s a channel at 44.1 kHz.
double bitsForQuality(int quality) {
    constexpr double kLowest = 238, kHighest = 3019;
    return kLowest + quality / 127.0 * (kHighest - kLowest);
}

std::string kbps(int64_t bitRate) {
    return std::to_string(bitRate / 1000) + " kbit/s";
}

} // namespace

int64_t defaultAacBitRate(int channels) {
    return int64_t(64000) * channels;
}

int aacBandwidth(int64_t bitRate, int channels, int sampleRate) {
    // libavcodec's rule: from the bit rate a channel gets, raised by 15% for the
    // noise substitution and intensity stereo it codes with, never under 3 kHz.
    const double perChannel = static_cast<double>(bitRate) / channels * 1.15;
    const double band =
        std::min({std::max(perChannel / 5, perChannel * 15 / 32 - 5500), 3000 + perChannel / 4,
                  12000 + perChannel / 16, 22000.0, sampleRate / 2.0});
    return static_cast<int>(std::max(3000.0, band));
}

int aacLambdaForBits(double bits) {
    const auto& t = kLambdaForBits;
    if (bits <= t.front().bitsPerPacketAndChannel)
        return static_cast<int>(
            std::max(1.0, std::round(t.front().lambda * bits / t.front().bitsPerPacketAndChannel)));
    for (size_t i = 1; i < t.size(); ++i) {
        if (bits <= t[i].bitsPerPacketAndChannel) {
            const double f = (bits - t[i - 1].bitsPerPacketAndChannel) /
                             (t[i].bitsPerPacketAndChannel - t[i - 1].bitsPerPacketAndChannel);
            return static_cast<int>(
                std::round(t[i - 1].lambda + f * (t[i].lambda - t[i - 1].lambda)));
        }
    }
    return static_cast<int>(std::round(t.back().lambda * bits / t.back().bitsPerPacketAndChannel));
}

AacRatePlan planAacRate(AacStrategy strategy, int64_t bitRate, std::optional<int> variableQuality,
                        int channels, int sampleRate, size_t maxPacketBytes) {
    AacRatePlan plan;
    plan.bitRate = bitRate > 0 ? bitRate : defaultAacBitRate(channels);
    plan.bandwidth = aacBandwidth(plan.bitRate, channels, sampleRate);
    plan.lambda = aacLambdaForBits(bitsPerPacketAndChannel(plan.bitRate, channels, sampleRate));
    const bool rich = plan.bitRate / channels >= kIntensityStereoBelow;
    switch (strategy) {
    case AacStrategy::Constant:
        // The band of the rate the encoder is aimed at: wider would spread the
        // bits the filling leaves thinner.
        plan.bandwidth = aacBandwidth(static_cast<int64_t>(plan.bitRate * AacPacketAim::kStart),
                                      channels, sampleRate);
        plan.constantPackets = true;
        plan.packetBytes =
            std::min(static_cast<size_t>(plan.bitRate * 1024 / sampleRate / 8), maxPacketBytes);
        plan.declaresAverage = true;
        plan.description = "constant bit rate " + kbps(plan.bitRate);
        break;
    case AacStrategy::Average:
        plan.declaresAverage = true;
        plan.description = "average bit rate " + kbps(plan.bitRate);
        break;
    case AacStrategy::ConstrainedVariable:
        plan.mode = AacRateMode::ConstantQuality;
        plan.intensityStereo = !rich;
        plan.searchQuality = true;
        plan.ceiling = static_cast<int64_t>(std::llround(plan.bitRate * kConstrainedCeiling));
        plan.declaresAverage = true;
        plan.description = "constrained variable bit rate about " + kbps(plan.bitRate) +
                           ", at most " + kbps(plan.ceiling) + " in any second";
        break;
    case AacStrategy::Variable:
        plan.mode = AacRateMode::ConstantQuality;
        if (variableQuality || bitRate <= 0) {
            const int quality = variableQuality.value_or(64);
            const double bits = bitsForQuality(quality);
            plan.lambda = aacLambdaForBits(bits);
            plan.bandwidth = aacBandwidth(static_cast<int64_t>(bits * channels * sampleRate / 1024),
                                          channels, sampleRate);
            plan.description = "variable bit rate, quality " + std::to_string(quality);
        } else {
            plan.searchQuality = true;
            plan.intensityStereo = !rich;
            plan.description = "variable bit rate about " + kbps(plan.bitRate);
        }
        break;
    }
    return plan;
}

} // namespace sondrel::afconvert
