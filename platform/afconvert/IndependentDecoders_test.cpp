// Our CAF files graded by decoders that share no code with FFmpeg, the
// library that helped make them: faad2 for AAC (the packets re-wrapped as
// ADTS from the packet table and the cookie's AudioSpecificConfig) and
// libaudiofile (sfconvert) for IMA4. Each must find exactly the source's
// frames after the priming and before the remainder, in place, and sound
// like the source.

#include <gtest/gtest.h>

#include <optional>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

// faad leaves out the output of the first packet, which only primes its
// transform; the packet table counts from the first packet.
constexpr int64_t kFaadDropsFrames = 1024;

struct AdtsConfig {
    int objectType = 0, frequencyIndex = 0, channelConfiguration = 0;
};

// The AudioSpecificConfig inside the cookie's ES_Descriptor, read the way
// the MPEG-4 systems layer lays it out (independently of our cookie writer).
std::optional<AdtsConfig> configFromCookie(const std::vector<uint8_t>& c) {
    size_t at = 0;
    auto expect = [&](uint8_t tag) {
        if (at >= c.size() || c[at++] != tag)
            return false;
        for (int i = 0; i < 4 && at < c.size(); ++i) // the length: 7 bits a byte
            if (!(c[at++] & 0x80))
                return true;
        return false;
    };
    if (!expect(0x03) || at + 3 > c.size())
        return std::nullopt;
    const uint8_t flags = c[at + 2];
    at += 3 + ((flags & 0x80) ? 2 : 0) + ((flags & 0x20) ? 2 : 0);
    if (flags & 0x40)
        return std::nullopt; // a URL: not from an encoder
    if (!expect(0x04) || (at += 13) > c.size() || !expect(0x05) || at + 2 > c.size())
        return std::nullopt;
    return AdtsConfig{c[at] >> 3, ((c[at] & 7) << 1) | (c[at + 1] >> 7), (c[at + 1] >> 3) & 15};
}

// The CAF file's AAC packets as an ADTS stream.
std::string adtsFromCaf(const std::string& path, const CafFacts& caf) {
    const auto config = configFromCookie(caf.cookie);
    EXPECT_TRUE(config);
    if (!config)
        return {};
    EXPECT_EQ(config->objectType, 2); // AAC-LC
    const std::string file = readFile(path);
    std::string out;
    uint64_t at = caf.dataOffset;
    for (uint32_t size : caf.packetSizes) {
        const uint32_t length = size + 7;
        const uint8_t header[7] = {
            0xFF,
            0xF1, // MPEG-4, no CRC
            uint8_t(((config->objectType - 1) << 6) | (config->frequencyIndex << 2) |
                    (config->channelConfiguration >> 2)),
            uint8_t(((config->channelConfiguration & 3) << 6) | (length >> 11)),
            uint8_t(length >> 3),
            uint8_t(((length & 7) << 5) | 0x1F),
            0xFC};
        out.append(reinterpret_cast<const char*>(header), 7);
        out.append(file, at, size);
        at += size;
    }
    return out;
}

// Decodes a CAF file's AAC with faad2.
Decoded decodeWithFaad(const std::string& path, const CafFacts& caf) {
    const std::string adts = path + ".aac", wav = path + ".faad.wav";
    std::ofstream(adts, std::ios::binary) << adtsFromCaf(path, caf);
    const RunResult r = runShell("faad -q -o " + quote(wav) + " " + quote(adts));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return decodeWithFfmpeg(wav); // plain PCM: FFmpeg only reads the container
}

// Decodes a CAF file's IMA4 with libaudiofile.
Decoded decodeWithAudiofile(const std::string& path) {
    const std::string wav = path + ".audiofile.wav";
    const RunResult r = runShell("sfconvert " + quote(path) + " " + quote(wav) + " format wave");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return decodeWithFfmpeg(wav);
}

// Exact length, in place, and within `minSnr` dB of the source, channel by channel.
void expectOnTheSource(const std::vector<std::vector<float>>& source, const Decoded& decoded,
                       const CafFacts& caf, int64_t dropped, double minSnr) {
    ASSERT_EQ(decoded.channels, int(source.size()));
    for (size_t ch = 0; ch < source.size(); ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch));
        const std::vector<float> audio = trimmedByPacketTable(decoded.samples[ch], caf, dropped);
        ASSERT_EQ(audio.size(), source[ch].size());
        double peak = 0;
        EXPECT_EQ(bestLag(source[ch], audio, 2200, peak), 0);
        EXPECT_GT(snrDb(source[ch], audio), minSnr);
    }
}

constexpr int kRate = 44100;
constexpr int64_t kFrames = 44100 + 4321;

std::vector<std::vector<float>> stereoSource() {
    return {repeatedSweeps(kFrames, kRate, 100, 2000, 6615),
            repeatedSweeps(kFrames, kRate, 1800, 150, 5000)};
}

TEST(IndependentDecoders, Faad2DecodesEveryAacStrategyExactly) {
    TempDir dir;
    const auto source = stereoSource();
    const std::string wav = dir / "source.wav";
    writeWav16(wav, kRate, source);
    // The waveform of these sweeps is kept to 13-24 dB at 128 kbps (the
    // encoder shapes its noise under what the sweep masks, not for the
    // waveform); at 32 kbps for two channels it suffers (about 4 dB), though
    // it still lies on the source, in place and exactly as long.
    for (int strategy = 0; strategy <= 3; ++strategy) {
        for (int kbps : {32, 128}) {
            SCOPED_TRACE("-s " + std::to_string(strategy) + " at " + std::to_string(kbps));
            const std::string out =
                dir / ("aac" + std::to_string(strategy) + "-" + std::to_string(kbps) + ".caf");
            const RunResult r =
                afconvert("-v -f caff -d aac --no-filler -s " + std::to_string(strategy) + " -b " +
                          std::to_string(kbps) + "000 " + quote(wav) + " " + quote(out));
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const CafFacts caf = readCaf(out);
            EXPECT_EQ(caf.validFrames, kFrames);
            const Decoded d = decodeWithFaad(out, caf);
            ASSERT_TRUE(d.error.empty()) << d.error;
            EXPECT_EQ(d.sampleRate, kRate);
            EXPECT_EQ(d.frames(), caf.packets * 1024 - kFaadDropsFrames);
            expectOnTheSource(source, d, caf, kFaadDropsFrames, kbps == 128 ? 11.0 : 2.5);
        }
    }
}

TEST(IndependentDecoders, LibaudiofileDecodesIma4Exactly) {
    TempDir dir;
    const auto stereo = stereoSource();
    const std::string wav = dir / "source.wav";
    writeWav16(wav, kRate, stereo);
    const std::string mono = dir / "mono.wav";
    writeWav16(mono, kRate, {stereo[0]});
    // IMA4 keeps these sweeps to over 30 dB.
    const std::vector<std::tuple<std::string, std::string, std::vector<std::vector<float>>>> cases =
        {{"mono", "-v -f caff -d ima4 --no-filler -c 1 " + quote(mono), {stereo[0]}},
         {"stereo", "-f caff -d ima4 -c 2 " + quote(wav), stereo}};
    for (const auto& [name, arguments, source] : cases) {
        SCOPED_TRACE(name);
        const std::string out = dir / (name + ".caf");
        const RunResult r = afconvert(arguments + " " + quote(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const CafFacts caf = readCaf(out);
        EXPECT_EQ(caf.validFrames, kFrames);
        const Decoded d = decodeWithAudiofile(out);
        ASSERT_TRUE(d.error.empty()) << d.error;
        // libaudiofile decodes every packet and leaves the remainder to the reader.
        EXPECT_EQ(d.frames(), caf.packets * 64);
        expectOnTheSource(source, d, caf, 0, 25.0);
    }
}

// A loop: a sine of a whole number of periods, converted to AAC and decoded
// by faad2, joins its end to its start as smoothly as it runs in the middle.
TEST(IndependentDecoders, AacLoopJoinsWithoutAGap) {
    TempDir dir;
    const int64_t frames = 100 * 1001; // 1001 periods of 441 Hz
    std::vector<float> loop(static_cast<size_t>(frames));
    for (int64_t i = 0; i < frames; ++i)
        loop[size_t(i)] = float(0.5 * std::sin(2 * M_PI * double(i) / 100));
    const std::string wav = dir / "loop.wav", out = dir / "loop.caf";
    writeWav16(wav, kRate, {loop});
    const RunResult r =
        afconvert("-v -f caff -d aac --no-filler -s 1 -b 128000 " + quote(wav) + " " + quote(out));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const CafFacts caf = readCaf(out);
    const Decoded d = decodeWithFaad(out, caf);
    ASSERT_TRUE(d.error.empty()) << d.error;
    const std::vector<float> audio = trimmedByPacketTable(d.samples[0], caf, kFaadDropsFrames);
    ASSERT_EQ(int64_t(audio.size()), frames);

    // The last and first 256 frames, played one after the other, against a
    // stretch of the loop's middle: a gap or a slip at the join would leave
    // the tone there in pieces.
    const size_t span = 256;
    std::vector<float> join(audio.end() - span, audio.end());
    join.insert(join.end(), audio.begin(), audio.begin() + span);
    const std::vector<float> middle(audio.begin() + frames / 2 - span,
                                    audio.begin() + frames / 2 + span);
    const double joinSnr = toneSnr(join, 441, kRate, 0, join.size());
    const double middleSnr = toneSnr(middle, 441, kRate, 0, middle.size());
    // Clean, about 51 dB against 75 in the middle (the opening is a
    // full-level onset, coded with short windows); one frame slipped or
    // missing at the join gives 30 dB, ten give 10.
    EXPECT_GT(joinSnr, 36.0);
    EXPECT_GT(joinSnr, middleSnr - 30.0) << "middle " << middleSnr;
}

} // namespace
} // namespace sondrel::afconvert::testing
