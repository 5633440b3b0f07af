// Gapless round trips: a WAV of a known, odd length made into every source
// format FFmpeg encodes here (and into our own CAF files), then converted to
// AAC, IMA4 and PCM CAF. Every output declares exactly the WAV's frames, and
// its decoded audio, trimmed by its packet table, lies on the WAV to the sample.

#include <gtest/gtest.h>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

constexpr int kRate = 48000;
constexpr int64_t kFrames = 48000 + 777; // neither a multiple of 1024 nor of 64

struct SourceFormat {
    std::string name;      // the test's name
    std::string extension; // of the source file
    // Makes {out} from the WAV {wav}: an ffmpeg or afconvert command line.
    std::string make;
    bool itunesTag = false; // add an iTunSMPB tag to the MP4 file made
};

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string box(const std::string& type, const std::string& body) {
    const uint32_t size = uint32_t(8 + body.size());
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((size >> shift) & 0xFF);
    return out + type + body;
}

// Adds an iTunes gapless tag (iTunSMPB) to an MP4 file whose 'moov' box is
// the last one, as ffmpeg writes it: the tag is the only record of the
// length in a file without an edit list.
void addItunesGaplessTag(const std::string& path, int priming, int64_t validFrames) {
    std::string file = readFile(path);
    size_t at = 0, moov = std::string::npos;
    while (at + 8 <= file.size()) {
        if (file.compare(at + 4, 4, "moov") == 0)
            moov = at;
        at += size_t(be(file, at, 4));
    }
    ASSERT_NE(moov, std::string::npos);
    ASSERT_EQ(at, file.size());
    const int64_t total = (priming + validFrames + 1023) / 1024 * 1024;
    char text[128];
    std::snprintf(text, sizeof text, " 00000000 %08X %08X %016llX 00000000 00000000", priming,
                  unsigned(total - priming - validFrames), (unsigned long long)validFrames);
    const std::string zero4(4, '\0');
    const std::string handler = box("hdlr", zero4 + zero4 + "mdirappl" + std::string(9, '\0'));
    const std::string item =
        box("----", box("mean", zero4 + "com.apple.iTunes") + box("name", zero4 + "iTunSMPB") +
                        box("data", std::string("\0\0\0\1", 4) + zero4 + text));
    const std::string udta = box("udta", box("meta", zero4 + handler + box("ilst", item)));
    const uint32_t size = uint32_t(be(file, moov, 4) + udta.size());
    for (int i = 0; i < 4; ++i)
        file[moov + size_t(i)] = char((size >> (24 - 8 * i)) & 0xFF);
    std::ofstream(path, std::ios::binary) << file << udta;
}

void PrintTo(const SourceFormat& format, std::ostream* out) {
    *out << format.name;
}

class GaplessRoundTrip : public ::testing::TestWithParam<SourceFormat> {};

TEST_P(GaplessRoundTrip, ToAacIma4AndPcmCaf) {
    const SourceFormat& format = GetParam();
    TempDir dir;
    const std::vector<float> reference = sweep(kFrames, kRate, 150, 5000);
    const std::string wav = dir / "reference.wav";
    writeWav16(wav, kRate, {reference});

    const std::string source = dir / ("source" + format.extension);
    std::string make = format.make;
    replaceAll(make, "{afconvert}", quote(afconvertPath()));
    replaceAll(make, "{wav}", quote(wav));
    replaceAll(make, "{out}", quote(source));
    const RunResult made = runShell(make);
    ASSERT_EQ(made.exitCode, 0) << make << "\n" << made.err;
    if (format.itunesTag)
        addItunesGaplessTag(source, 1024, kFrames); // ffmpeg's AAC priming

    const std::vector<std::pair<std::string, std::string>> outputs = {
        {"aac", "-f caff -d aac --no-filler -s 1 -b 128000"},
        {"ima4", "-f caff -d ima4 --no-filler -c 1"},
        {"pcm", "-f caff -d LEI16"},
    };
    for (const auto& [name, options] : outputs) {
        SCOPED_TRACE(format.name + " to " + name);
        const std::string out = dir / (name + ".caf");
        const RunResult r = afconvert(options + " " + quote(source) + " " + quote(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const CafFacts caf = readCaf(out);
        EXPECT_EQ(validFramesOf(caf), kFrames);

        const Decoded d = decodeWithFfmpeg(out);
        ASSERT_TRUE(d.error.empty()) << d.error;
        const std::vector<float> audio = trimmedByPacketTable(d.samples[0], caf);
        ASSERT_EQ(int64_t(audio.size()), kFrames);
        // Beyond any priming or decoder delay a codec could leave (2112 frames).
        double peak = 0;
        EXPECT_EQ(bestLag(reference, audio, 2200, peak), 0);
        EXPECT_GT(peak, 0.9);
    }
}

// A new rate: as many frames as the source's scaled by the ratio, rounded to
// the nearest, and frame n at the time of source frame n times the ratio.
TEST(GaplessResampling, LengthIsTheScaledSourceRoundedAndInPlace) {
    TempDir dir;
    const int64_t frames = 12345;
    const std::string wav = dir / "source.wav";
    writeWav16(wav, 44100, {sweep(frames, 44100, 150, 3000)});
    const std::vector<std::pair<std::string, int>> cases = {
        {"-f caff -d LEI16@48000", 48000}, // 13436.73 frames
        {"-f caff -d LEI16@22050", 22050}, // 6172.5
        {"-f caff -d LEI16@22050 --src-complexity line", 22050},
        {"-f caff -d LEI16@22050 --src-complexity bats", 22050},
        {"-f caff -d LEI16@8000", 8000}, // 2239.46
        {"-f caff -d aac@48000 -b 128000", 48000},
        {"-f caff -d ima4@16000", 16000}, // 4478.9
    };
    for (const auto& [options, rate] : cases) {
        SCOPED_TRACE(options);
        const std::string out = dir / "out.caf";
        const RunResult r = afconvert(options + " " + quote(wav) + " " + quote(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const CafFacts caf = readCaf(out);
        const int64_t expected = (frames * rate + 22050) / 44100;
        EXPECT_EQ(validFramesOf(caf), expected);
        const Decoded d = decodeWithFfmpeg(out);
        ASSERT_TRUE(d.error.empty()) << d.error;
        const std::vector<float> audio = trimmedByPacketTable(d.samples[0], caf);
        ASSERT_EQ(int64_t(audio.size()), expected);
        const auto reference = sweep(expected, rate, 150, 3000, 0.5, double(frames) / 44100);
        double peak = 0;
        EXPECT_EQ(bestLag(reference, audio, 200, peak), 0);
        EXPECT_GT(peak, 0.9);
    }
}

std::string ffmpegMakes(const std::string& codecOptions) {
    return "ffmpeg -v error -y -i {wav} " + codecOptions + " {out}";
}

INSTANTIATE_TEST_SUITE_P(
    SourceFormats, GaplessRoundTrip,
    ::testing::Values(
        SourceFormat{"Wav", ".wav", "cp {wav} {out}"},
        SourceFormat{"Aiff", ".aiff", ffmpegMakes("-c:a pcm_s16be")},
        SourceFormat{"Caf", ".caf", ffmpegMakes("-c:a pcm_s16le")},
        SourceFormat{"Flac", ".flac", ffmpegMakes("-c:a flac")},
        SourceFormat{"Mp3", ".mp3", ffmpegMakes("-c:a libmp3lame -b:a 128k")},
        SourceFormat{"OggVorbis", ".ogg", ffmpegMakes("-c:a libvorbis -q:a 5")},
        SourceFormat{"OggOpus", ".opus", ffmpegMakes("-c:a libopus -b:a 96k")},
        // The edit list counts in milliseconds, a few frames short of the
        // media's end; the sample table has the exact length.
        SourceFormat{"M4aAac", ".m4a", ffmpegMakes("-c:a aac -b:a 128k")},
        SourceFormat{"M4aAacItunSmpb", ".m4a", ffmpegMakes("-c:a aac -b:a 128k -use_editlist 0"),
                     true},
        SourceFormat{"M4aAlac", ".m4a", ffmpegMakes("-c:a alac")},
        SourceFormat{"OurAacCaf", ".caf", "{afconvert} -f caff -d aac -b 128000 {wav} {out}"},
        SourceFormat{"OurIma4Caf", ".caf", "{afconvert} -f caff -d ima4 {wav} {out}"}),
    [](const ::testing::TestParamInfo<SourceFormat>& info) { return info.param.name; });

} // namespace
} // namespace sondrel::afconvert::testing
