// The encoder's own stages on their own: window switching, the quantiser's
// search, and the rate control's bookkeeping.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "platform/afconvert/aac/BlockSwitching.h"
#include "platform/afconvert/aac/CeilingWindow.h"
#include "platform/afconvert/aac/FrameWriter.h"
#include "platform/afconvert/aac/SamplingRates.h"
#include "platform/afconvert/aac/HuffmanCoding.h"
#include "platform/afconvert/aac/Quantizer.h"
#include "platform/afconvert/aac/RateControl.h"

namespace sondrel::afconvert::aac {
namespace {

using Sequence = WindowSequence;

TEST(BlockSwitching, AttacksGetShortWindowsWithStartAndStopAround) {
    // Three blocks of samples, as the encoder holds them: a steady tone with a
    // click in the middle of the second block's short windows.
    std::vector<float> samples(4096);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(3000 * std::sin(0.05 * double(i)));
    EXPECT_FALSE(findAttack(samples.data(), 1024).attack) << "a steady tone";
    for (size_t i = 1024 + 448 + 128 * 5; i < 1024 + 448 + 128 * 5 + 200; ++i)
        samples[i] += float((i % 2 ? 1 : -1) * 20000);
    const AttackInfo attack = findAttack(samples.data(), 1024);
    EXPECT_TRUE(attack.attack);
    EXPECT_EQ(attack.window, 4); // the short window whose middle the click reaches first

    // A bright tone stopping dead gets short windows from where it stops; one
    // stepping down by 10 dB does not.
    const size_t stop = 1024 + 448 + 128 * 2 + 64; // in the middle of window 2's piece
    auto toneUntilStop = [&](float after) {
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float((i < stop ? 8000 : after) * std::sin(0.9 * double(i)));
    };
    toneUntilStop(0.0f);
    const AttackInfo release = findAttack(samples.data(), 1024);
    EXPECT_TRUE(release.attack);
    EXPECT_EQ(release.window, 2);
    toneUntilStop(8000 / std::sqrt(10.0f));
    EXPECT_FALSE(findAttack(samples.data(), 1024).attack) << "a step down";

    BlockSwitching s;
    EXPECT_EQ(s.next(false, false), Sequence::OnlyLong);
    EXPECT_EQ(s.next(false, true), Sequence::LongStart);
    EXPECT_EQ(s.next(true, false), Sequence::EightShort);
    EXPECT_EQ(s.next(false, false), Sequence::LongStop);
    EXPECT_EQ(s.next(false, false), Sequence::OnlyLong);
    // A long block between two short ones cannot be: it is short too.
    EXPECT_EQ(s.next(false, true), Sequence::LongStart);
    EXPECT_EQ(s.next(true, false), Sequence::EightShort);
    EXPECT_EQ(s.next(false, true), Sequence::EightShort);
    EXPECT_EQ(s.next(true, false), Sequence::EightShort);
    EXPECT_EQ(s.next(false, false), Sequence::LongStop);

    IcsFrame frame;
    frame.sequence = Sequence::EightShort;
    groupShortWindows({true, 3}, frame);
    EXPECT_EQ(frame.groupCount, 3);
    EXPECT_EQ(frame.groupLength[0] + frame.groupLength[1] + frame.groupLength[2], 8);
    EXPECT_EQ(frame.groupLength[1], 1);
}

TEST(Quantizer, SearchFindsTheCoarsestScaleFactorWithinTheAllowance) {
    std::mt19937 random(1);
    std::normal_distribution<float> normal(0, 1e5f);
    std::vector<float> lines(64);
    for (float& v : lines)
        v = normal(random);
    Quantizer q;
    q.load(lines.data(), int(lines.size()));
    float energy = 0;
    for (float v : lines)
        energy += v * v;
    for (float share : {0.3f, 0.01f, 1e-4f, 1e-7f}) {
        const int sf = q.searchScalefactor(0, 64, energy, energy * share);
        ASSERT_GE(sf, 0);
        EXPECT_LE(q.distortion(0, 64, sf), energy * share);
        if (sf < 255 && sf > q.finestScalefactor(0, 64)) {
            EXPECT_GT(q.distortion(0, 64, sf + 1), energy * share) << "not the coarsest";
        }
    }
    EXPECT_EQ(q.searchScalefactor(0, 64, energy, energy * 2), -1) << "all noise allowed";
    // What a band's search learns of its lines is forgotten with them.
    std::vector<float> louder = lines;
    for (float& v : louder)
        v *= 256;
    louder[40] = 1e9f; // the widest band's peak, beyond the narrower one
    Quantizer fresh;
    fresh.load(louder.data(), int(louder.size()));
    const int finest = q.finestScalefactor(0, 64);
    q.load(louder.data(), int(louder.size()));
    EXPECT_EQ(q.finestScalefactor(0, 64), fresh.finestScalefactor(0, 64));
    EXPECT_GT(q.finestScalefactor(0, 64), finest);
    EXPECT_LT(q.finestScalefactor(0, 32), fresh.finestScalefactor(0, 64)) << "another width";
    q.load(lines.data(), int(lines.size()));
    std::vector<int16_t> out(64);
    EXPECT_TRUE(q.quantize(0, 64, q.finestScalefactor(0, 64), out.data()));
    for (int16_t v : out)
        EXPECT_LE(std::abs(v), Quantizer::kLargestValue);
}

// Noise bands between spectral ones (as noise substitution leaves them):
// each keeps its own book, and no section joins the two kinds.
TEST(FrameWriter, NoiseBandsBesideSpectralOnesKeepTheirBooks) {
    const int index = samplingFrequencyIndex(48000);
    const auto offsets = longBandOffsets(index);
    IcsFrame f;
    f.maxBands = 40;
    for (int b = 0; b < f.maxBands; ++b) {
        if (b % 3 == 1) {
            f.book[size_t(b)] = kNoiseBook;
            f.scalefactor[size_t(b)] = int16_t(60 + b % 5);
            continue;
        }
        f.scalefactor[size_t(b)] = int16_t(100 + b % 7);
        for (int k = offsets[size_t(b)]; k < offsets[size_t(b + 1)]; ++k)
            f.quantized[size_t(k)] = int16_t((k % 5) - 2 + (b % 4 == 0 ? 40 : 0));
    }
    ASSERT_LT(chooseBooks(f, index), kUnusableBits);
    for (int b = 0; b < f.maxBands; ++b) {
        if (b % 3 == 1)
            EXPECT_EQ(f.book[size_t(b)], kNoiseBook) << "band " << b;
        else
            EXPECT_TRUE(f.book[size_t(b)] >= 1 && f.book[size_t(b)] <= kEscapeBook) << "band " << b;
    }
    EXPECT_TRUE(FrameWriter::valid(f, index));
}

TEST(RateControl, ConstantRateKeepsTheDecoderBufferAndAverageKeepsTheRate) {
    std::mt19937 random(2);
    std::uniform_real_distribution<float> demand(50, 3000);
    const double mean = 128000.0 * 1024 / 48000;
    const double capacity = 6144.0 * 2;
    RateControl constant(RateMode::Constant, 128000, 0, 48000, 2);
    RateControl average(RateMode::Average, 128000, 0, 48000, 2);
    double saved = 0, spentByAverage = 0;
    const int frames = 4000;
    for (int i = 0; i < frames; ++i) {
        const float pe = demand(random);
        // A frame spends all it may, or (one in three) far less.
        const auto budget = constant.budget(pe);
        int bits = i % 3 ? budget.maxBits : budget.maxBits / 4;
        bits += constant.fillBytes(bits) * 8;
        constant.spent(bits, pe);
        saved += mean - bits;
        ASSERT_GE(saved, -1.0) << "the decoder buffer ran dry at frame " << i;
        ASSERT_LE(saved, capacity - mean + 16) << "it overflowed at frame " << i;

        const int averageBits = average.budget(pe).maxBits;
        average.spent(averageBits, pe);
        spentByAverage += averageBits;
    }
    EXPECT_NEAR(spentByAverage / frames, mean, mean * 0.01);
}

TEST(RateControl, ConstantRateLookingAheadSavesForAHardPassageAndSpreadsIt) {
    // 64 kbit/s stereo at 48 kHz: easy frames, a hard passage of 30, easy
    // again; each frame spends what it is given. Seeing the passage ahead,
    // the buffer fills before it and every frame of it gets much the same
    // bits; as the frames come (no look-ahead), its first frames take the
    // buffer and the rest get little more than the rate. Either way the
    // decoder's buffer never overflows or runs dry.
    const double mean = 64000.0 * 1024 / 48000;
    const double capacity = 6144.0 * 2;
    std::vector<float> entropy(40, 300.0f);
    entropy.insert(entropy.end(), 30, 1200.0f);
    entropy.insert(entropy.end(), 40, 300.0f);
    constexpr size_t kAhead = 64;
    auto run = [&](bool lookingAhead, double& bufferBefore) {
        RateControl rate(RateMode::Constant, 64000, 0, 48000, 2);
        std::vector<int> hard;
        double saved = 0;
        for (size_t i = 0; i < entropy.size(); ++i) {
            const size_t end = std::min(entropy.size(), i + kAhead);
            const std::span<const float> ahead(entropy.data() + i, lookingAhead ? end - i : 0);
            const RateControl::Budget budget = rate.budget(entropy[i], ahead);
            EXPECT_LE(budget.maxBits, budget.hardBits);
            const int bits = budget.maxBits + rate.fillBytes(budget.maxBits) * 8;
            rate.spent(bits, entropy[i]);
            saved += mean - bits;
            EXPECT_GE(saved, -1.0) << "the decoder buffer ran dry at frame " << i;
            EXPECT_LE(saved, capacity - mean + 16) << "it overflowed at frame " << i;
            if (i == 39)
                bufferBefore = saved;
            if (i >= 40 && i < 70)
                hard.push_back(bits);
        }
        return hard;
    };
    double plannedBefore = 0, reactiveBefore = 0;
    const std::vector<int> planned = run(true, plannedBefore);
    const std::vector<int> reactive = run(false, reactiveBefore);
    EXPECT_GT(plannedBefore, reactiveBefore + 0.2 * capacity); // saved for it
    const auto [plannedLeast, plannedMost] = std::minmax_element(planned.begin(), planned.end());
    EXPECT_GT(*plannedLeast, 0.9 * *plannedMost);
    EXPECT_GT(*plannedLeast, 1.15 * mean); // the whole passage over the rate
    const auto [reactiveLeast, reactiveMost] =
        std::minmax_element(reactive.begin(), reactive.end());
    EXPECT_LT(*reactiveLeast, 0.6 * *reactiveMost);

    // A held chord: few lines, a demand wandering between 30 and 90 a
    // frame. Every frame of it is heard and gets a fair share of the rate.
    std::mt19937 random(4);
    std::uniform_real_distribution<float> wandering(30.0f, 90.0f);
    std::vector<float> chord(200);
    for (float& e : chord)
        e = wandering(random);
    RateControl rate(RateMode::Constant, 64000, 0, 48000, 2);
    for (size_t i = 0; i < chord.size(); ++i) {
        const size_t end = std::min(chord.size(), i + kAhead);
        const RateControl::Budget budget =
            rate.budget(chord[i], std::span<const float>(chord.data() + i, end - i));
        EXPECT_GT(budget.maxBits, 0.3 * mean) << "frame " << i;
        rate.spent(budget.maxBits + rate.fillBytes(budget.maxBits) * 8, chord[i]);
    }
}

TEST(CeilingWindow, BurstsArePaidBackByEveryFrameALittle) {
    // 47 frames a second (48 kHz), a pace of 150 bits a frame and 120 kept
    // for each frame to come. Quiet, a single burst, then a passage asking
    // for more than the ceiling all along with bursts in it, then quiet.
    constexpr int kFrames = 47;
    constexpr int64_t kCeiling = 150 * kFrames, kFloor = 120;
    std::vector<int> demand(60, 10);
    demand[50] = 5000;
    for (int i = 0; i < 100; ++i)
        demand.push_back(i % 7 == 0 ? 4000 : 400);
    demand.insert(demand.end(), 50, 10);
    CeilingWindow window(kCeiling, kFrames, kFloor);
    std::vector<int> spent;
    for (int want : demand) {
        const int64_t room = window.room();
        EXPECT_GE(room, kFloor) << "frame " << spent.size();
        spent.push_back(int(std::min<int64_t>(want, room)));
        window.add(spent.back());
    }
    for (size_t i = 0; i + kFrames <= spent.size(); ++i) {
        int64_t second = 0;
        for (size_t k = i; k < i + kFrames; ++k)
            second += spent[k];
        EXPECT_LE(second, kCeiling) << "the second from frame " << i;
    }
    // A burst after quiet takes ten times the pace; in the sustained
    // passage every frame keeps the floor at least.
    EXPECT_GT(spent[50], 1500);
    for (size_t i = 60; i < 160; ++i)
        EXPECT_GE(spent[i], kFloor) << "frame " << i;
    window.clear();
    EXPECT_EQ(window.room(), kCeiling - (kFrames - 1) * kFloor);
}

} // namespace
} // namespace sondrel::afconvert::aac
