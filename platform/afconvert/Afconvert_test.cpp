// End-to-end tests of the afconvert program: real files made with sox and
// ffmpeg, converted by the program just built, checked with FFmpeg's own
// demuxers and decoders and with a byte-level reading of the CAF chunks.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

// The last standard-output line says "done"; no other line mentions it.
void expectSuccess(const RunResult& r) {
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = r.outLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("done"), std::string::npos);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string lower = lines[i];
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_EQ(lower.find("done"), std::string::npos) << lines[i];
    }
}

// Sondrel's two argument texts.
std::string aacArguments(int strategy, int kbps, const std::string& in, const std::string& out) {
    return "-v -f caff -d aac --no-filler -s " + std::to_string(strategy) + " -b " +
           std::to_string(kbps) + "000 " + quote(in) + " " + quote(out);
}

std::string ima4Arguments(const std::string& in, const std::string& out) {
    return "-v -f caff -d ima4 --no-filler -c 1 " + quote(in) + " " + quote(out);
}

// Chunk order every reader copes with: desc first, the rest before data.
void expectReaderFriendlyChunks(const CafFacts& caf, bool wantPakt) {
    ASSERT_FALSE(caf.chunks.empty());
    EXPECT_EQ(caf.chunks.front(), "desc");
    EXPECT_EQ(caf.chunks.back(), "data");
    EXPECT_EQ(std::count(caf.chunks.begin(), caf.chunks.end(), "free"), 0); // --no-filler
    EXPECT_EQ(std::count(caf.chunks.begin(), caf.chunks.end(), "pakt"), wantPakt ? 1 : 0);
}

// The cookie's bit rates: ES_Descriptor(5+3), DecoderConfigDescriptor header(5),
// objectType, streamType, bufferSizeDB(3), then maxBitrate at 18 and avgBitrate at 22.
uint32_t cookieWord(const std::vector<uint8_t>& cookie, size_t at) {
    return cookie.size() >= at + 4
               ? (uint32_t(cookie[at]) << 24) | (uint32_t(cookie[at + 1]) << 16) |
                     (uint32_t(cookie[at + 2]) << 8) | cookie[at + 3]
               : 0;
}

// What the packet table says: the average over the stream, and the most any
// second (44 packets at 44.1 kHz) carries.
std::pair<double, double> packetTableRates(const CafFacts& caf, int rate) {
    const size_t window = (size_t(rate) + 1023) / 1024;
    double total = 0, peak = 0;
    for (size_t i = 0; i < caf.packetSizes.size(); ++i) {
        total += caf.packetSizes[i];
        double run = 0;
        for (size_t j = i; j < i + window && j < caf.packetSizes.size(); ++j)
            run += caf.packetSizes[j];
        peak = std::max(peak, run);
    }
    const double packets = double(caf.packetSizes.size());
    return {total * 8 * rate / (packets * 1024),
            peak * 8 * rate / (std::min(packets, double(window)) * 1024)};
}

TEST(AfconvertAac, SondrelTextForEveryStrategyAndBitRate) {
    TempDir dir;
    const std::string source = dir / "two tones.wav";
    makeTones(source, 1.0, 44100, {440, 1000});
    const int64_t sourceFrames = 44100;

    std::map<int, std::set<uint32_t>> sizesByStrategy;
    std::map<int, int64_t> bytesByStrategyAt128;
    std::vector<uint32_t> constantSizesAt128;
    for (int strategy = 0; strategy <= 3; ++strategy) {
        for (int kbps : {16, 128, 320}) {
            SCOPED_TRACE("strategy " + std::to_string(strategy) + ", " + std::to_string(kbps) +
                         " kbps");
            const std::string out =
                dir / ("out " + std::to_string(strategy) + "-" + std::to_string(kbps) + ".caf");
            const RunResult r = afconvert(aacArguments(strategy, kbps, source, out));
            expectSuccess(r);

            const CafFacts caf = readCaf(out);
            expectReaderFriendlyChunks(caf, true);
            EXPECT_EQ(caf.formatId, "aac ");
            EXPECT_EQ(caf.framesPerPacket, 1024u);
            EXPECT_EQ(caf.bytesPerPacket, 0u);
            EXPECT_EQ(caf.channels, 2u);
            EXPECT_EQ(caf.sampleRate, 44100.0);
            // Gapless playback: the real encoder delay, and counts that add up.
            EXPECT_EQ(caf.priming, 1024);
            EXPECT_EQ(caf.validFrames, sourceFrames);
            EXPECT_EQ(caf.packets * 1024 - caf.priming - caf.remainder, caf.validFrames);
            EXPECT_GE(caf.remainder, 0);
            EXPECT_LT(caf.remainder, 1024);
            ASSERT_EQ(caf.packetSizes.size(), size_t(caf.packets));
            // The cookie tells the rates the packets really have: the average
            // (none for the unconstrained strategy, which promises none) and the
            // most of any second, which the constrained strategy keeps under its
            // ceiling, even at 16 kbit/s for two channels, where the coarsest
            // coding of these tones would carry more: bands are given up then.
            // The constant rate never lets the decoder's buffer run dry.
            const auto [average, peak] = packetTableRates(caf, 44100);
            EXPECT_NEAR(cookieWord(caf.cookie, 22), strategy == 3 ? 0 : average, 1);
            EXPECT_NEAR(cookieWord(caf.cookie, 18), peak, 1);
            if (strategy == 2) {
                EXPECT_LE(peak, kbps * 1000 * 1.5);
            }
            if (strategy == 0) {
                EXPECT_TRUE(constantRateHolds(caf, kbps * 1000.0, 44100, 2));
            }

            const Decoded d = decodeWithFfmpeg(out);
            ASSERT_TRUE(d.error.empty()) << d.error;
            EXPECT_EQ(d.codec, "aac");
            EXPECT_EQ(d.channels, 2);
            EXPECT_EQ(d.sampleRate, 44100);
            // FFmpeg's CAF reader keeps the priming and remainder: within one packet of the source.
            EXPECT_GE(d.frames() - caf.priming, sourceFrames);
            EXPECT_LT(d.frames() - caf.priming, sourceFrames + 1024);
            // Tones survive: AAC-LC keeps a 440 Hz and a 1 kHz tone at 25 dB or
            // better from 128 kbps on. 16 kbps for two channels leaves under 200
            // bits a channel per packet and a very coarse quantiser, yet the
            // tone still holds most of the energy (8 dB: residual under 16%).
            // The variable strategies code at a constant noise level above the
            // masked threshold, so a pure tone keeps a little less (22 dB).
            const double minimum = kbps < 128 ? 8.0 : strategy >= 2 ? 22.0 : 25.0;
            const size_t from = size_t(caf.priming) + 2048,
                         to = size_t(caf.priming + sourceFrames) - 2048;
            EXPECT_GT(toneSnr(d.samples[0], 440, 44100, from, to), minimum);
            EXPECT_GT(toneSnr(d.samples[1], 1000, 44100, from, to), minimum);

            if (kbps == 128) {
                sizesByStrategy[strategy].insert(caf.packetSizes.begin() + 1,
                                                 caf.packetSizes.end() - 1);
                bytesByStrategyAt128[strategy] = int64_t(caf.dataBytes);
                if (strategy == 0)
                    constantSizesAt128.assign(caf.packetSizes.begin() + 1,
                                              caf.packetSizes.end() - 1);
            }
        }
    }
    // Constant: a constant rate through the decoder's buffer (6144 bits a
    // channel). Fed 128 kbit/s, the buffer must never run dry (a packet longer
    // than what has arrived) nor overflow (the encoder pads only there), and the
    // whole stream must be the rate.
    ASSERT_FALSE(constantSizesAt128.empty());
    // In the encoder's terms: what it has saved (arrived, not yet spent) must
    // stay within 0 and the buffer less one packet's inflow, from some start.
    const double inflow = 128000.0 * 1024 / 44100, capacity = 6144.0 * 2;
    double saved = 0, lowest = 0, highest = 0, total = 0;
    for (uint32_t size : constantSizesAt128) {
        saved += inflow - size * 8.0;
        lowest = std::min(lowest, saved);
        highest = std::max(highest, saved);
        total += size * 8.0;
    }
    EXPECT_LE(highest - lowest, capacity - inflow + 8) << "no start keeps the buffer in bounds";
    EXPECT_NEAR(total / double(constantSizesAt128.size()), inflow, inflow * 0.02);
    EXPECT_GT(highest - lowest, 8.0 * 8) << "packet sizes never moved: no reservoir used";
    // The variable strategies really vary their packet sizes.
    for (int strategy = 1; strategy <= 3; ++strategy)
        EXPECT_GE(sizesByStrategy[strategy].size(), 3u) << "strategy " << strategy;
    // Average rate lands near the asked rate (data for ~1.05 s at 128 kbps = 16.8 kB).
    EXPECT_NEAR(double(bytesByStrategyAt128[1]), 16800.0, 16800.0 * 0.25);
}

struct Ima4Case {
    std::string name; // file name, its extension tells the format
    int rate;
    int channels;
    std::string make; // shell command making it from {wav}: the 16-bit base file
};

TEST(AfconvertIma4, SondrelTextFromEveryKindOfInput) {
    TempDir dir;
    const std::vector<Ima4Case> cases = {
        {"u8 mono 8k.wav", 8000, 1, "sox {wav} -b 8 {out}"},
        {"s16 stereo 44k.wav", 44100, 2, "cp {wav} {out}"},
        {"s24 surround 48k.wav", 48000, 6, "sox {wav} -b 24 {out}"},
        {"s32 stereo 96k.wav", 96000, 2, "sox {wav} -b 32 {out}"},
        {"float mono 22k.wav", 22050, 1, "sox {wav} -e floating-point -b 32 {out}"},
        {"stereo 32k.aiff", 32000, 2, "sox {wav} {out}"},
        {"stereo 44k.mp3", 44100, 2, "ffmpeg -v error -i {wav} -c:a libmp3lame -b:a 192k {out}"},
        {"stereo 48k.m4a", 48000, 2, "ffmpeg -v error -i {wav} -c:a aac -b:a 192k {out}"},
        {"s24 stereo 88k.flac", 88200, 2, "sox {wav} -b 24 {out}"},
        {"mono 16k.ogg", 16000, 1, "ffmpeg -v error -i {wav} -c:a libvorbis -q:a 6 {out}"},
        {"stereo 44k.caf", 44100, 2, "ffmpeg -v error -i {wav} -c:a pcm_s16be {out}"},
    };
    for (const Ima4Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string wav = dir / ("base " + c.name + ".wav");
        makeTones(wav, 0.5, c.rate, std::vector<int>(size_t(c.channels), 440));
        const std::string input = dir / c.name;
        std::string command = c.make;
        command.replace(command.find("{wav}"), 5, quote(wav));
        command.replace(command.find("{out}"), 5, quote(input));
        ASSERT_EQ(runShell(command).exitCode, 0) << command;
        const Decoded source = decodeWithFfmpeg(input);
        ASSERT_EQ(source.channels, c.channels);

        const std::string out = dir / (c.name + ".caf");
        expectSuccess(afconvert(ima4Arguments(input, out)));

        const CafFacts caf = readCaf(out);
        expectReaderFriendlyChunks(caf, true);
        EXPECT_EQ(caf.formatId, "ima4");
        EXPECT_EQ(caf.bytesPerPacket, 34u);
        EXPECT_EQ(caf.framesPerPacket, 64u);
        EXPECT_EQ(caf.channels, 1u);
        EXPECT_EQ(caf.layoutTag, 0x00640001u); // mono
        // Every source, lossy ones too, keeps the half second it was made of.
        const int64_t frames = c.rate / 2;
        EXPECT_EQ(caf.validFrames, frames);
        EXPECT_EQ(caf.priming, 0);
        EXPECT_EQ(caf.packets, (frames + 63) / 64);
        EXPECT_EQ(caf.packets * 64 - caf.remainder, caf.validFrames);
        EXPECT_EQ(caf.dataBytes, uint64_t(caf.packets) * 34);

        const Decoded d = decodeWithFfmpeg(out);
        ASSERT_TRUE(d.error.empty()) << d.error;
        EXPECT_EQ(d.codec, "adpcm_ima_qt");
        EXPECT_EQ(d.channels, 1);
        EXPECT_EQ(d.sampleRate, c.rate);
        EXPECT_EQ(d.frames(), caf.packets * 64); // within one packet of the source
        // 4-bit ADPCM keeps a steady tone at about 25-35 dB; 18 dB leaves room
        // for the lossy sources and for the 8 kHz case, where 440 Hz steps
        // are coarse for the adaptive quantiser.
        EXPECT_GT(toneSnr(d.samples[0], 440, c.rate, 256, size_t(d.frames()) - 256), 18.0);
    }
}

} // namespace
} // namespace sondrel::afconvert::testing
