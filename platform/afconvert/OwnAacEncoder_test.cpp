// Our AAC encoder end to end: afconvert writes the CAF, FFmpeg's decoder (with
// every error check on) reads it back, and the audio must be the source's:
// as long, in place, and close. Then signals that break encoders, and the
// four strategies against their promises.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

using Channels = std::vector<std::vector<float>>;

struct Encoded {
    CafFacts caf;
    Channels audio; // decoded, trimmed as the packet table says
    std::string strictErrors;
};

// Encodes `source` with afconvert's arguments, decodes it with FFmpeg.
Encoded encode(const TempDir& dir, const std::string& arguments, const Channels& source, int rate) {
    static int serial = 0;
    const std::string name = "clip" + std::to_string(++serial);
    const std::string wav = dir / (name + ".wav"), out = dir / (name + ".caf");
    writeWav16(wav, rate, source);
    const RunResult r = afconvert(arguments + " " + quote(wav) + " " + quote(out));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Encoded e;
    e.caf = readCaf(out);
    // FFmpeg's decoder with every check on says nothing of a valid stream.
    e.strictErrors =
        runShell("ffmpeg -nostdin -v error -err_detect explode -i " + quote(out) + " -f null -")
            .err;
    const Decoded d = decodeWithFfmpeg(out);
    EXPECT_TRUE(d.error.empty()) << d.error;
    for (const auto& channel : d.samples)
        e.audio.push_back(trimmedByPacketTable(channel, e.caf));
    return e;
}

double energyDb(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 1e-20;
    for (size_t i = from; i < to && i < x.size(); ++i)
        sum += double(x[i]) * x[i];
    return 10 * std::log10(sum);
}

std::vector<float> generate(int64_t frames, int rate, const std::function<double(double)>& f) {
    std::vector<float> out(static_cast<size_t>(frames));
    for (int64_t i = 0; i < frames; ++i)
        out[size_t(i)] = float(f(double(i) / rate));
    return out;
}

std::vector<float> noise(int64_t frames, double level, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(-level, level);
    std::vector<float> out(static_cast<size_t>(frames));
    for (float& v : out)
        v = float(uniform(random));
    return out;
}

// Every standard rate in mono, the common ones in stereo and 5.1: the stream
// decodes without a complaint, exactly as long as the source and aligned to
// the sample, and the sweeps are still there.
TEST(OwnAacEncoder, EveryRateAndLayoutDecodesInPlace) {
    TempDir dir;
    struct Case {
        int rate;
        int channels;
    };
    const std::vector<Case> cases = {{8000, 1},  {11025, 1}, {12000, 1}, {16000, 1}, {22050, 1},
                                     {24000, 1}, {32000, 1}, {44100, 2}, {48000, 2}, {64000, 1},
                                     {88200, 1}, {96000, 2}, {48000, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels");
        const int64_t frames = c.rate * 6 / 10 + 333;
        Channels source;
        for (int ch = 0; ch < c.channels; ++ch) {
            // 5.1 in FFmpeg's order: the fourth channel is the low-frequency one.
            const bool lfe = c.channels == 6 && ch == 3;
            source.push_back(repeatedSweeps(frames, c.rate, lfe ? 30 : 150 + 100 * ch,
                                            lfe ? 150 : std::min(0.4 * c.rate, 3000.0 + 500 * ch),
                                            c.rate / 7 + ch * 100));
        }
        // The average strategy; the constant one too at the extremes of rate
        // and layout (it codes its blocks a look-ahead after analysing them).
        std::vector<std::string> strategies = {""};
        if (c.rate == 8000 || c.rate == 96000 || c.channels == 6)
            strategies.push_back(" -s 0");
        for (const std::string& strategy : strategies) {
            SCOPED_TRACE("strategy" + strategy);
            const Encoded e = encode(dir, "-f caff -d aac --no-filler" + strategy, source, c.rate);
            EXPECT_EQ(e.strictErrors, "");
            EXPECT_EQ(e.caf.priming, 1024);
            EXPECT_EQ(e.caf.validFrames, frames);
            ASSERT_EQ(e.audio.size(), source.size());
            for (int ch = 0; ch < c.channels; ++ch) {
                SCOPED_TRACE("channel " + std::to_string(ch));
                ASSERT_EQ(int64_t(e.audio[ch].size()), frames);
                double peak = 0;
                const int lag = bestLag(source[ch], e.audio[ch], 2200, peak);
                // The low-frequency channel's slow sweep peaks broadly; the others exactly.
                EXPECT_LE(std::abs(lag), c.channels == 6 && ch == 3 ? 2 : 0);
                EXPECT_GT(snrDb(source[ch], e.audio[ch]), 6.0);
            }
        }
    }
}

// A full-level tone after silence: the frames just after the onset carry no
// burst of noise (their error no louder than the steady tone's, give or take
// the onset's own frame); castanet-like clicks after silence: what leaks
// before each click (pre-echo) stays far under the click.
TEST(OwnAacEncoder, OnsetsAndClicksStayClean) {
    TempDir dir;
    const int rate = 48000;
    const int64_t frames = rate * 2;
    const auto tone = generate(frames, rate, [](double t) {
        return t < 0.5 ? 0.0 : 0.99 * std::sin(2 * M_PI * 1000 * t);
    });
    const Encoded onset = encode(dir, "-f caff -d aac --no-filler -s 1 -b 128000", {tone}, rate);
    ASSERT_EQ(onset.audio.size(), 1u);
    ASSERT_EQ(onset.audio[0].size(), tone.size());
    std::vector<float> error(tone.size());
    for (size_t i = 0; i < tone.size(); ++i)
        error[i] = onset.audio[0][i] - tone[i];
    const double steady = energyDb(error, size_t(1.5 * rate), size_t(1.5 * rate) + 4096);
    for (size_t from = size_t(0.5 * rate) + 2048; from < size_t(1.0 * rate); from += 1024)
        EXPECT_LT(energyDb(error, from, from + 4096), steady + 10) << "burst at " << from;

    std::vector<float> clicks(size_t(frames), 0.0f);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> uniform(-1, 1);
    const std::vector<size_t> attacks = {12000, 30000, 51000, 70000};
    for (size_t at : attacks)
        for (size_t i = 0; i < 2000; ++i)
            clicks[at + i] = float(0.9 * std::exp(-double(i) / 300) * uniform(random));
    const Encoded e = encode(dir, "-f caff -d aac --no-filler -s 1 -b 128000", {clicks}, rate);
    EXPECT_EQ(e.strictErrors, "");
    ASSERT_EQ(e.audio.size(), 1u);
    for (size_t at : attacks) {
        const double click = energyDb(e.audio[0], at, at + 1024);
        const double before = energyDb(e.audio[0], at - 1536, at - 64);
        EXPECT_LT(before, click - 30) << "pre-echo before " << at;
    }
}

// At four bits a sample a rate buys fidelity: brown noise (its energy low in
// the spectrum, where masking alone would leave loud noise) keeps its
// waveform. FFmpeg's encoder keeps 36.6 dB at this size; the masking
// threshold alone kept 23.
TEST(OwnAacEncoder, HighRatesKeepTheWaveform) {
    TempDir dir;
    const int rate = 32000;
    std::vector<float> brown(size_t(rate * 6));
    std::mt19937 random(5);
    std::normal_distribution<double> white(0.0, 1.0);
    double level = 0;
    for (float& v : brown) {
        level = 0.998 * level + 0.02 * white(random);
        v = float(std::clamp(level, -0.9, 0.9));
    }
    const Encoded e = encode(dir, "-f caff -d aac -s 1 -b 128000", {brown}, rate);
    ASSERT_EQ(e.audio.size(), 1u);
    EXPECT_GT(snrDb(brown, e.audio[0]), 35.0);
}

// Signals that break encoders decode cleanly to the source's length, with
// their energy kept; silence costs next to nothing.
TEST(OwnAacEncoder, HardSignalsDecodeCleanly) {
    TempDir dir;
    const int rate = 48000;
    const int64_t frames = rate;
    const auto sine =
        generate(frames, rate, [](double t) { return 0.5 * std::sin(2 * M_PI * 440 * t); });
    const auto square = generate(
        frames, rate, [](double t) { return std::sin(2 * M_PI * 1000 * t) >= 0 ? 1.0 : -1.0; });
    const auto dc = generate(frames, rate, [](double) { return 0.5; });
    const auto sweep20 = sweep(frames, rate, 20, 20000, 0.7);
    const auto white = noise(frames, 1.0, 3);
    std::vector<float> inverted(sine);
    for (float& v : inverted)
        v = -v;
    struct Case {
        std::string name;
        Channels source;
    };
    const std::vector<Case> cases = {{"dc", {dc, dc}},
                                     {"clipped square", {square, square}},
                                     {"white noise at full scale", {white, noise(frames, 1.0, 4)}},
                                     {"sweep 20 Hz to 20 kHz", {sweep20, sweep20}},
                                     {"mono in stereo", {sine, sine}},
                                     {"out of phase", {sine, inverted}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Encoded e = encode(dir, "-f caff -d aac --no-filler -s 1 -b 128000", c.source, rate);
        EXPECT_EQ(e.strictErrors, "");
        ASSERT_EQ(e.audio.size(), c.source.size());
        for (size_t ch = 0; ch < c.source.size(); ++ch) {
            ASSERT_EQ(int64_t(e.audio[ch].size()), frames);
            const double kept = energyDb(e.audio[ch], 2048, size_t(frames)) -
                                energyDb(c.source[ch], 2048, size_t(frames));
            EXPECT_NEAR(kept, 0.0, 1.5);
        }
    }
    const std::vector<float> silence(size_t(frames), 0.0f);
    for (int strategy : {1, 2, 3}) {
        const Encoded e =
            encode(dir, "-f caff -d aac --no-filler -s " + std::to_string(strategy) + " -b 128000",
                   {silence, silence}, rate);
        for (uint32_t size : e.caf.packetSizes)
            EXPECT_LE(size, 8u) << "strategy " << strategy;
    }
}

double averageRate(const CafFacts& caf, int rate, size_t firstPacket = 0) {
    double bits = 0;
    for (size_t i = firstPacket; i < caf.packetSizes.size(); ++i)
        bits += caf.packetSizes[i] * 8.0;
    return bits * rate / (double(caf.packetSizes.size() - firstPacket) * 1024);
}

// Chords with a noisy hit every half second, at a level.
Channels musicLike(int64_t frames, int rate, double level) {
    auto hits = noise(frames, 1.0, 9);
    Channels out(2);
    for (int64_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        static constexpr double kRoots[] = {220, 277.2, 329.6, 246.9};
        const double root = kRoots[int(t * 4) % 4];
        double tone = 0;
        for (int h = 1; h <= 6; ++h)
            tone += std::sin(2 * M_PI * root * h * t) / h;
        const double hit = std::exp(-30 * std::fmod(t, 0.5)) * hits[size_t(i)] * 0.5;
        out[0].push_back(float(level * (0.15 * tone + hit)));
        out[1].push_back(float(level * (0.12 * tone + hit)));
    }
    return out;
}

TEST(OwnAacEncoder, StrategiesKeepTheirPromises) {
    TempDir dir;
    const int rate = 48000;
    const Channels music = musicLike(rate * 8, rate, 1.0);
    const auto arguments = [](int strategy) {
        return "-f caff -d aac --no-filler -s " + std::to_string(strategy) + " -b 128000";
    };
    // Constant: a constant rate through the decoder's buffer, which never
    // runs dry or overflows; average: the rate.
    const Encoded constant = encode(dir, arguments(0), music, rate);
    EXPECT_TRUE(constantRateHolds(constant.caf, 128000, rate, 2))
        << bufferSwing(constant.caf, 128000, rate);
    EXPECT_NEAR(averageRate(constant.caf, rate), 128000, 128000 * 0.02);
    EXPECT_NEAR(averageRate(encode(dir, arguments(1), music, rate).caf, rate), 128000,
                128000 * 0.05);
    // Constrained: no second over 1.5 times the rate.
    EXPECT_LE(peakRate(encode(dir, arguments(2), music, rate).caf, rate), 192000 * 1.001);

    // Variable: the quality is measured over the whole file, so a quiet
    // opening (noise at -62 dBFS) or a silent one does not set it: each file
    // comes out near the rate, and silence near-empty.
    const int64_t openingFrames = rate * 6;
    const auto opened = [&](std::vector<float> opening) {
        Channels out = musicLike(rate * 8, rate, 1.0);
        for (auto& channel : out)
            channel.insert(channel.begin(), opening.begin(), opening.end());
        return encode(dir, arguments(3), out, rate);
    };
    const Encoded quiet = opened(noise(openingFrames, std::pow(10.0, -62.0 / 20), 2));
    const Encoded silent = opened(std::vector<float>(size_t(openingFrames), 0.0f));
    for (const Encoded* e : {&quiet, &silent}) {
        EXPECT_GT(averageRate(e->caf, rate), 128000 * 0.85);
        EXPECT_LT(averageRate(e->caf, rate), 128000 * 1.15);
    }
    const size_t silentPackets = size_t(openingFrames / 1024) - 2;
    uint64_t silentBytes = 0;
    for (size_t i = 2; i < silentPackets; ++i)
        silentBytes += silent.caf.packetSizes[i];
    EXPECT_LT(silentBytes / (silentPackets - 2), 16u);
}

// A loud, sustained noise between quiet ticks (a menu's whoosh) asks for
// more than the constrained strategy's ceiling: the loud seconds are held to
// the ceiling, every frame of them keeping a fair share of it (not the first
// frames taking the second's room and the rest starved), and the quality is
// chosen so that the file still averages the rate.
// Ticks (15 ms of a 3.2 kHz square four times a second), a loud hiss panned
// left, ticks: `repeats` times over.
Channels ticksAndHiss(int rate, int repeats) {
    const int64_t quiet = rate, loud = 2 * rate;
    Channels source(2);
    const std::vector<float> hiss = noise(loud, 0.5, 11);
    for (int r = 0; r < repeats; ++r)
        for (int64_t i = 0; i < 2 * quiet + loud; ++i) {
            const double t = double(i % quiet) / rate;
            const bool inLoud = i >= quiet && i < quiet + loud;
            const double tick = std::fmod(t, 0.25) < 0.015
                                    ? 0.05 * (std::sin(2 * M_PI * 3200 * t) >= 0 ? 1 : -1)
                                    : 0.0;
            const float v = inLoud ? hiss[size_t(i - quiet)] : float(tick);
            source[0].push_back(v);
            source[1].push_back(inLoud ? 0.3f * v : v);
        }
    return source;
}

TEST(OwnAacEncoder, ConstrainedRateSpreadsALoudPassageUnderItsCeiling) {
    TempDir dir;
    const int rate = 48000;
    const int64_t quiet = rate, loud = 2 * rate;
    const Encoded e =
        encode(dir, "-f caff -d aac --no-filler -s 2 -b 64000", ticksAndHiss(rate, 1), rate);
    EXPECT_LE(peakRate(e.caf, rate), 96000 * 1.001);
    EXPECT_GT(averageRate(e.caf, rate), 64000 * 0.85);
    EXPECT_LT(averageRate(e.caf, rate), 64000 * 1.15);
    const double meanBytes = 64000.0 * 1024 / rate / 8;
    const size_t first = size_t((quiet + rate / 4) / 1024), last = size_t((quiet + loud) / 1024);
    for (size_t p = first; p < last; ++p)
        EXPECT_GE(e.caf.packetSizes[p], 0.8 * meanBytes)
            << "packet " << p << " of the loud stretch";

    // A long file's quality is measured on excerpts; each starts with the
    // ceiling as the frames before it left it, so the file keeps its rate.
    const Encoded longer =
        encode(dir, "-f caff -d aac --no-filler -s 2 -b 64000 -j 1", ticksAndHiss(rate, 10), rate);
    EXPECT_GT(averageRate(longer.caf, rate), 64000 * 0.92);
    EXPECT_LT(averageRate(longer.caf, rate), 64000 * 1.08);
}

// A short file that ends in silence (an effect, a line of dialogue): the
// average strategy cannot spend a quiet end's share after it, so it plans
// for it and the file still averages the rate.
TEST(OwnAacEncoder, AverageRateHoldsWhenAFileEndsInSilence) {
    TempDir dir;
    const int rate = 48000;
    Channels source = musicLike(rate * 4, rate, 0.5);
    for (auto& channel : source)
        channel.resize(size_t(rate * 6), 0.0f);
    const Encoded e = encode(dir, "-f caff -d aac --no-filler -s 1 -b 96000", source, rate);
    EXPECT_NEAR(averageRate(e.caf, rate), 96000, 96000 * 0.03);
}

} // namespace
} // namespace sondrel::afconvert::testing
