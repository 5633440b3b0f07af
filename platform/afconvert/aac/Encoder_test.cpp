// The whole encoder on signals whose coding is judged from a decoder's output.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <random>
#include <vector>

#include "platform/afconvert/aac/Encoder.h"
#include "platform/afconvert/aac/SamplingRates.h"
#include "platform/afconvert/aac/TestStreams.h"

namespace sondrel::afconvert::aac {
namespace {

// The mean energy per block of channel `channel` of interleaved stereo
// between two frequencies (Hann-windowed blocks of 2048).
double bandEnergy(const std::vector<float>& stereo, int channel, double lowHz, double highHz,
                  int sampleRate) {
    constexpr int kBlock = 2048;
    const int first = int(std::ceil(lowHz * kBlock / sampleRate));
    const int last = int(std::floor(highHz * kBlock / sampleRate));
    const size_t frames = stereo.size() / 2;
    double total = 0;
    int blocks = 0;
    for (size_t at = kBlock; at + kBlock <= frames; at += kBlock, ++blocks) {
        for (int bin = first; bin <= last; ++bin) {
            double re = 0;
            double im = 0;
            for (int n = 0; n < kBlock; ++n) {
                const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / kBlock);
                const double x = w * stereo[2 * (at + size_t(n)) + size_t(channel)];
                const double phase = 2 * std::numbers::pi * bin * n / kBlock;
                re += x * std::cos(phase);
                im -= x * std::sin(phase);
            }
            total += re * re + im * im;
        }
    }
    return blocks > 0 ? total / blocks : 0;
}

TEST(Encoder, EachMeasuredQualityIsMeasuredAsIfAlone) {
    // The quality of a file is found by measuring a few offsets, then the
    // ones between the pair that brackets the rate: an offset's bits must not
    // depend on which others are measured beside it (under a ceiling too).
    constexpr int kRate = 48000;
    constexpr int kFrames = 3 * kRate;
    std::mt19937 random(11);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const float burst = (i / 12000) % 3 == 1 ? 0.2f : 0.01f; // loud noise now and then
        left[size_t(i)] =
            float(0.3 * std::sin(2 * std::numbers::pi * 440 * t)) + burst * normal(random);
        right[size_t(i)] =
            float(0.2 * std::sin(2 * std::numbers::pi * 659 * t)) + burst * normal(random);
    }
    auto measure = [&](std::vector<float> offsets) {
        EncoderSettings settings;
        settings.mode = RateMode::ConstrainedVariable;
        settings.bitRate = 64000;
        settings.qualityFixed = true;
        Encoder encoder(settings);
        encoder.measureAt(std::move(offsets));
        std::vector<std::vector<uint8_t>> none;
        const float* planes[2] = {left.data(), right.data()};
        encoder.push(planes, kFrames, none);
        return encoder.measured();
    };
    const auto together = measure({-12.0f, -4.0f, 0.0f, 12.0f});
    const auto alone = measure({0.0f});
    ASSERT_EQ(together.size(), alone.size());
    ASSERT_GT(alone.size(), 100u);
    for (size_t b = 0; b < alone.size(); ++b)
        ASSERT_EQ(together[b].bits[2], alone[b].bits[0]) << "block " << b;
    int64_t fine = 0, coarse = 0;
    for (const Encoder::Measured& block : together) {
        fine += block.bits[0];
        coarse += block.bits[3];
    }
    EXPECT_GT(fine, coarse); // finer offsets cost more
}

TEST(Encoder, ModerateNoiseIsCodedUpToTheRatesBandwidth) {
    // White noise at -33 dBFS in each channel, independent: its 16-17 kHz
    // band as strong as pink noise's at -10 dBFS. At 128 kbit/s the band is
    // coded to 18 kHz and such a band must come through, not fall under the
    // threshold in quiet.
    constexpr int kRate = 48000;
    constexpr int kFrames = kRate;
    std::mt19937 random(7);
    std::normal_distribution<float> normal(0.0f, 0.0224f);
    std::vector<float> left(kFrames), right(kFrames), source(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        left[size_t(i)] = source[2 * size_t(i)] = normal(random);
        right[size_t(i)] = source[2 * size_t(i) + 1] = normal(random);
    }
    EncoderSettings settings;
    settings.bitRate = 128000;
    ASSERT_GE(Encoder::defaultBandwidth(settings.bitRate, 2, kRate), 17500);
    Encoder encoder(settings);
    std::vector<std::vector<uint8_t>> packets;
    const float* planes[2] = {left.data(), right.data()};
    encoder.push(planes, kFrames, packets);
    encoder.finish(packets);

    testing::TempDir dir;
    const std::string path = dir / "noise.aac";
    const std::vector<uint8_t> stream = testing::adts(packets, samplingFrequencyIndex(kRate), 2);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
    const testing::Decoded decoded = testing::decodeWithFaad(path);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    ASSERT_GE(decoded.samples.size(), source.size() / 2);

    for (int channel = 0; channel < 2; ++channel) {
        const double kept = bandEnergy(decoded.samples, channel, 16500, 17500, kRate);
        const double wanted = bandEnergy(source, channel, 16500, 17500, kRate);
        EXPECT_GT(kept, 0.5 * wanted) << "channel " << channel;
        EXPECT_LT(kept, 2.0 * wanted) << "channel " << channel;
    }
}

} // namespace
} // namespace sondrel::afconvert::aac
