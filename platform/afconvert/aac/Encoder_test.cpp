// The whole encoder on signals whose coding is judged from a decoder's output.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "platform/afconvert/aac/Encoder.h"
#include "platform/afconvert/aac/SamplingRates.h"
#include "platform/afconvert/aac/TestStreams.h"

namespace sondrel::afconvert::aac {
namespace {

// Every packet of a signal coded in one pass.
std::vector<std::vector<uint8_t>> codeWhole(const EncoderSettings& settings,
                                            const float* const* planes, int frames) {
    Encoder encoder(settings);
    std::vector<std::vector<uint8_t>> packets;
    encoder.push(planes, frames, packets);
    encoder.finish(packets);
    return packets;
}

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

TEST(Encoder, MeasuringTheFinestCodingStopsAtTheMostAFrameMaySpend) {
    // The average strategy measures what each block can spend at its finest
    // coding, which matters only up to the most a frame may spend: a block
    // is coded no further once it surely costs that. Each block must count
    // as it would coded whole, capped there: loud noise (well over), a
    // quiet tone (under) and the frames between.
    constexpr int kRate = 48000;
    constexpr int kFrames = 2 * kRate;
    constexpr int kMostBits = 6144 * 2;
    std::mt19937 random(13);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const float noise = (i / 16000) % 2 == 1 ? 0.2f : 0.0f;
        left[size_t(i)] =
            float(0.01 * std::sin(2 * std::numbers::pi * 440 * t)) + noise * normal(random);
        right[size_t(i)] = noise * normal(random);
    }
    auto measure = [&](float loudEntropy) {
        EncoderSettings settings;
        settings.bitRate = 128000;
        Encoder encoder(settings);
        encoder.measureAt({RateControl::kLowestOffset}, loudEntropy);
        std::vector<std::vector<uint8_t>> none;
        const float* planes[2] = {left.data(), right.data()};
        encoder.push(planes, kFrames, none);
        return encoder.measured();
    };
    const auto whole = measure(0.0f);
    const auto capped = measure(1e9f); // no block loud enough to be left uncoded
    ASSERT_EQ(whole.size(), capped.size());
    int over = 0, under = 0;
    for (size_t b = 0; b < whole.size(); ++b) {
        ASSERT_EQ(capped[b].bits[0], std::min(whole[b].bits[0], kMostBits)) << "block " << b;
        ++(whole[b].bits[0] > kMostBits ? over : under);
    }
    EXPECT_GT(over, 20);
    EXPECT_GT(under, 20);
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

// Each packet's window shape (a channel pair with a common window: id, tag
// and common_window fill the first byte, then ics_info's reserved bit,
// window_sequence and window_shape).
std::vector<WindowShape> pairShapes(const std::vector<std::vector<uint8_t>>& packets) {
    std::vector<WindowShape> shapes;
    for (const auto& p : packets)
        if (p.size() >= 2 && (p[0] >> 5) == 1 && (p[0] & 1) == 1)
            shapes.push_back((p[1] >> 4) & 1 ? WindowShape::Kbd : WindowShape::Sine);
    return shapes;
}

TEST(Encoder, SparseTonesTakeTheKbdWindowDenseOnesTheSine) {
    // A chime (four partials kHz apart) and a low note (a partial every 110
    // Hz, every two or three lines): the first packs into fewer lines with
    // the KBD shape's fast-falling side lobes, the second into fewer with the
    // sine shape's narrower main lobe.
    constexpr int kRate = 48000;
    constexpr int kFrames = 2 * kRate;
    auto tones = [&](const std::vector<double>& hz, double amplitude) {
        std::vector<float> x(kFrames);
        for (int i = 0; i < kFrames; ++i) {
            double v = 0;
            for (size_t k = 0; k < hz.size(); ++k)
                v += amplitude / double(k + 1) * std::sin(2 * std::numbers::pi * hz[k] * i / kRate);
            x[size_t(i)] = float(v);
        }
        return x;
    };
    std::vector<double> harmonics;
    for (int k = 1; k <= 60; ++k)
        harmonics.push_back(110.0 * k);
    auto encode = [&](const std::vector<float>& x, int64_t bitRate) {
        EncoderSettings settings;
        settings.bitRate = bitRate;
        Encoder encoder(settings);
        std::vector<std::vector<uint8_t>> packets;
        const float* planes[2] = {x.data(), x.data()};
        encoder.push(planes, kFrames, packets);
        encoder.finish(packets);
        return packets;
    };
    // The share of packets with the KBD shape once the sound is steady
    // (the masked threshold rises slowly after the silence before it).
    auto kbdShare = [&](const std::vector<float>& x, int64_t bitRate) {
        const auto shapes = pairShapes(encode(x, bitRate));
        const auto steady = shapes.begin() + 20;
        return double(std::count(steady, shapes.end() - 1, WindowShape::Kbd)) /
               double(shapes.end() - 1 - steady);
    };
    for (int64_t bitRate : {64000, 256000}) {
        EXPECT_GT(kbdShare(tones({1760, 2637, 3520, 5274}, 0.3), bitRate), 0.9) << bitRate;
        EXPECT_LT(kbdShare(tones(harmonics, 0.3), bitRate), 0.1) << bitRate;
    }
}

TEST(Encoder, WindowShapeChangesReconstruct) {
    // A chime and a low note crossfading into each other every 4096
    // frames: the shape changes back and forth, and each frame's first half
    // must be windowed as the last frame ended or the halves' aliasing stays
    // in faad2's output.
    constexpr int kRate = 48000;
    constexpr int kFrames = 2 * kRate;
    constexpr int kPeriod = 8192;
    std::vector<float> left(kFrames), right(kFrames), source(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const double chime = 0.15 * (std::sin(2 * std::numbers::pi * 1760 * t) +
                                     std::sin(2 * std::numbers::pi * 3520 * t) +
                                     std::sin(2 * std::numbers::pi * 5274 * t));
        double low = 0;
        for (int k = 1; k <= 40; ++k)
            low += 0.25 / k * std::sin(2 * std::numbers::pi * 110 * k * t);
        const double mix =
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i % kPeriod) / kPeriod);
        left[size_t(i)] = source[2 * size_t(i)] = float(mix * chime + (1 - mix) * low);
        right[size_t(i)] = source[2 * size_t(i) + 1] = float((1 - mix) * chime + mix * low);
    }
    EncoderSettings settings;
    settings.bitRate = 256000;
    Encoder encoder(settings);
    std::vector<std::vector<uint8_t>> packets;
    const float* planes[2] = {left.data(), right.data()};
    encoder.push(planes, kFrames, packets);
    encoder.finish(packets);
    const auto shapes = pairShapes(packets);
    int changes = 0;
    for (size_t p = 1; p < shapes.size(); ++p)
        changes += shapes[p] != shapes[p - 1];
    EXPECT_GE(changes, 8);

    testing::TempDir dir;
    const std::string path = dir / "shapes.aac";
    const std::vector<uint8_t> stream = testing::adts(packets, samplingFrequencyIndex(kRate), 2);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), std::streamsize(stream.size()));
    const testing::Decoded decoded = testing::decodeWithFaad(path);
    ASSERT_TRUE(decoded.error.empty()) << decoded.error;
    ASSERT_GE(decoded.samples.size(), source.size());
    // Block by block, the error stays far under the sound: 34 dB and more
    // (a frame windowed at its start with the shape the last one did not
    // end with leaves 17 to 25 dB where the shape changes).
    for (size_t at = 2048; at + 2048 <= size_t(kFrames); at += 1024) {
        double signal = 0, error = 0;
        for (size_t i = 2 * at; i < 2 * (at + 1024); ++i) {
            signal += double(source[i]) * source[i];
            const double e = double(decoded.samples[i]) - source[i];
            error += e * e;
        }
        EXPECT_GT(10 * std::log10(signal / error), 30.0) << "block at " << at;
    }
}

TEST(Encoder, RememberedWindowShapesCodeAsWeighedOnes) {
    // A chime, then noise over a low note: both shapes, and changes between
    // them. Shapes kept by a measuring pass and taken by the coding pass
    // must code the file exactly as weighing them afresh does.
    constexpr int kRate = 44100;
    constexpr int kFrames = 2 * kRate;
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const double chime = 0.2 * (std::sin(2 * std::numbers::pi * 1760 * t) +
                                    std::sin(2 * std::numbers::pi * 3520 * t));
        const double low = 0.3 * std::sin(2 * std::numbers::pi * 110 * t) +
                           0.2 * std::sin(2 * std::numbers::pi * 220 * t);
        left[size_t(i)] = float(i < kRate ? chime : low + noise(random));
        right[size_t(i)] = float(i < kRate ? 0.8 * chime : low + noise(random));
    }
    const float* planes[2] = {left.data(), right.data()};
    auto code = [&](std::shared_ptr<WindowShapeMemo> memo) {
        EncoderSettings settings;
        settings.sampleRate = kRate;
        settings.shapeMemo = std::move(memo);
        return codeWhole(settings, planes, kFrames);
    };
    auto memo = std::make_shared<WindowShapeMemo>();
    {
        EncoderSettings settings;
        settings.sampleRate = kRate;
        settings.shapeMemo = memo;
        Encoder measuring(settings);
        measuring.measureAt({0.0f});
        std::vector<std::vector<uint8_t>> none;
        measuring.push(planes, kFrames, none);
    }
    int kbd = 0, sine = 0;
    for (int64_t p = 0; p < 90; ++p)
        if (const auto shape = memo->find(p, 0))
            ++(*shape == WindowShape::Kbd ? kbd : sine);
    EXPECT_GT(kbd, 20);
    EXPECT_GT(sine, 20);
    EXPECT_EQ(code(memo), code(nullptr));
}

TEST(Encoder, RememberedAnalysesCodeAsFreshOnes) {
    // Clicks (short windows, their attacks in different windows) over a
    // chime, then noise over a low note, the channels apart and alike
    // (left/right and mid/side). The analysis a
    // measuring pass keeps, whole or only its first blocks, must code the
    // file exactly as analysing it afresh, in a constant quality and an
    // average rate. Kept prefixes of every length over a click's start,
    // short and stop blocks: the block after one is analysed from the state
    // it left.
    constexpr int kRate = 44100;
    constexpr int kFrames = 3 * kRate / 2;
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const double chime = 0.2 * std::sin(2 * std::numbers::pi * 1760 * t);
        const double low = 0.3 * std::sin(2 * std::numbers::pi * 110 * t) + noise(random);
        const double click = i % 9000 < 40 ? 0.9 : 0.0;
        left[size_t(i)] = float((t < 0.5 ? chime : low) + click);
        right[size_t(i)] = float(t < 0.5 ? 0.5 * chime : t < 1.0 ? low : noise(random));
    }
    const float* planes[2] = {left.data(), right.data()};
    // A block is analysed once the samples after it are in.
    const size_t blocks = size_t((kFrames - 2 * kFrameLines) / kFrameLines + 1);
    for (const RateMode mode : {RateMode::Variable, RateMode::Average}) {
        EncoderSettings settings;
        settings.sampleRate = kRate;
        settings.mode = mode;
        settings.qualityFixed = mode == RateMode::Variable;
        auto code = [&](std::shared_ptr<AnalysisMemo> memo) {
            EncoderSettings s = settings;
            s.analysisMemo = std::move(memo);
            return codeWhole(s, planes, kFrames);
        };
        const auto fresh = code(nullptr);
        for (const size_t kept : {blocks, size_t(7), size_t(8), size_t(9), size_t(10), size_t(16),
                                  size_t(17), size_t(18), size_t(19)}) {
            SCOPED_TRACE(kept);
            auto memo = std::make_shared<AnalysisMemo>(kept * AnalysisMemo::blockBytes(2));
            EncoderSettings s = settings;
            s.analysisMemo = memo;
            Encoder measuring(s);
            measuring.measureAt({0.0f, 6.0f});
            std::vector<std::vector<uint8_t>> none;
            measuring.push(planes, kFrames, none);
            EXPECT_EQ(memo->blocks(), kept);
            EXPECT_EQ(code(memo), fresh);
        }
    }
}

// Hits now and then over steady noise, coded with `settings`: the mean
// bits of the packets of each window sequence (steady frames: long ones not
// just after a stop). Each packet's sequence comes from the analysis a
// measuring pass keeps.
std::map<WindowSequence, double> bitsBySequence(EncoderSettings settings) {
    constexpr int kRate = 48000;
    constexpr int kFrames = 3 * kRate;
    std::mt19937 random(17);
    std::normal_distribution<double> noise(0.0, 0.02);
    std::vector<float> left(kFrames), right(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double t = double(i % 12000) / kRate; // a struck 3 kHz tone, dying away
        const double hit = 0.8 * std::exp(-t / 0.02) * std::sin(2 * std::numbers::pi * 3000 * t);
        left[size_t(i)] = float(noise(random) + hit);
        right[size_t(i)] = float(noise(random) + hit);
    }
    const float* planes[2] = {left.data(), right.data()};
    settings.sampleRate = kRate;
    settings.analysisMemo = std::make_shared<AnalysisMemo>(size_t(64) << 20);
    Encoder measuring(settings);
    measuring.measureAt({0.0f});
    std::vector<std::vector<uint8_t>> none;
    measuring.push(planes, kFrames, none);
    const auto packets = codeWhole(settings, planes, kFrames);
    std::map<WindowSequence, std::vector<double>> bits;
    for (size_t p = 2; p < packets.size(); ++p) {
        const BlockAnalysis* block = settings.analysisMemo->find(int64_t(p));
        const BlockAnalysis* before = settings.analysisMemo->find(int64_t(p) - 2);
        if (!block)
            continue;
        const WindowSequence sequence = block->channels[0].sequence;
        if (sequence == WindowSequence::OnlyLong &&
            (!before || before->channels[0].sequence != WindowSequence::OnlyLong))
            continue;
        bits[sequence].push_back(8.0 * double(packets[p].size()));
    }
    EXPECT_GE(bits[WindowSequence::EightShort].size(), 8u);
    EXPECT_GE(bits[WindowSequence::LongStop].size(), 8u);
    EXPECT_GE(bits[WindowSequence::OnlyLong].size(), 50u);
    std::map<WindowSequence, double> means;
    for (const auto& [sequence, all] : bits) {
        double sum = 0;
        for (double x : all)
            sum += x;
        means[sequence] = sum / double(all.size());
    }
    return means;
}

TEST(Encoder, AttacksAndTheFrameAfterThemAreCodedFiner) {
    // The masking model underrates the noise of an attack's frame and of the
    // one after it (the burst's tail). At a constant quality both are coded
    // finer than the steady frames, the attack's most; the average and
    // constant rates give them a larger share than their perceptual entropy
    // alone would, and the constant rate plans the attack's frame by what
    // it costs coded as finely as a constant quality codes it.
    EncoderSettings quality;
    quality.mode = RateMode::Variable;
    quality.bitRate = 0;
    auto bits = bitsBySequence(quality);
    EXPECT_GT(bits[WindowSequence::LongStop], 1.2 * bits[WindowSequence::OnlyLong]);
    EXPECT_GT(bits[WindowSequence::EightShort], bits[WindowSequence::LongStop]);
    for (const RateMode mode : {RateMode::Average, RateMode::Constant}) {
        EncoderSettings rate;
        rate.mode = mode;
        rate.bitRate = 64000;
        SCOPED_TRACE(int(mode));
        bits = bitsBySequence(rate);
        // By their entropy alone the two got 0.92 to 0.93 of a steady
        // frame's bits between them.
        const double attack = bits[WindowSequence::EightShort] + bits[WindowSequence::LongStop];
        EXPECT_GT(attack, 0.97 * 2 * bits[WindowSequence::OnlyLong]);
        // Planned by its entropy, the attack's frame got 1.07 times a
        // steady frame's bits.
        if (mode == RateMode::Constant) {
            EXPECT_GT(bits[WindowSequence::EightShort], 1.6 * bits[WindowSequence::OnlyLong]);
        }
    }
}

} // namespace
} // namespace sondrel::afconvert::aac
