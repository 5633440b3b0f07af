// The wider command line: data formats, file types, channels, rates, naming.

#include <gtest/gtest.h>

#include <map>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

struct FormatCase {
    std::string arguments; // options; the output name is added
    std::string outputName;
    std::string codec; // as FFmpeg names it
    int rate;
    int channels;
    double minSnr; // dB against the 440 Hz tone
};

TEST(AfconvertOptions, DataFormatsAndFileTypes) {
    TempDir dir;
    const std::string mono = dir / "mono 48k.wav";
    makeTones(mono, 0.5, 48000, {440}, "-b 24");
    // Thresholds: integer and float PCM of 16 bits or more are exact to
    // within their own quantisation (over 80 dB for a -6 dBFS tone); 8-bit
    // PCM about 40 dB; G.711 about 35 dB; the 24-bit source itself fits its
    // ideal tone to about 92 dB; resampling with the default filter
    // keeps well over 60 dB in band; ALAC is lossless; AAC at these rates
    // keeps a pure tone over 25 dB.
    const std::vector<FormatCase> cases = {
        {"-f caff -d LEI16@44100", "a.caf", "pcm_s16le", 44100, 1, 60},
        {"-f caff -d BEF32", "b.caf", "pcm_f32be", 48000, 1, 85},
        {"-f caff -d BEI24 -c 2", "c.caf", "pcm_s24be", 48000, 2, 85},
        {"-f caff -d I8", "d.caf", "pcm_s8", 48000, 1, 35},
        {"-f caff -d ulaw@8000", "e.caf", "pcm_mulaw", 8000, 1, 30},
        {"-f caff -d alaw", "f.caf", "pcm_alaw", 48000, 1, 30},
        {"-f caff -d alac", "g.caf", "alac", 48000, 1, 85},
        {"-f WAVE -d LEF64", "h.wav", "pcm_f64le", 48000, 1, 85},
        {"-f WAVE -d UI8", "i.wav", "pcm_u8", 48000, 1, 35},
        {"-f AIFF", "j.aif", "pcm_s24be", 48000, 1, 85},
        {"-f AIFC -d ima4", "k.aifc", "adpcm_ima_qt", 48000, 1, 20},
        {"-f m4af -b 96000 -s 2", "l.m4a", "aac", 48000, 1, 25},
        {"-d alac", "m.m4a", "alac", 48000, 1, 85},
        {"-f adts -d aac@44100", "n.aac", "aac", 44100, 1, 25},
        {"-f NeXT -d BEI16 -c 2", "o.au", "pcm_s16be", 48000, 2, 80},
        {"-d LEI32", "p.wav", "pcm_s32le", 48000, 1, 85},
        {"-f caff -d aac -ue vbrq 90 -s 3 -q 127 -r 127", "q.caf", "aac", 48000, 1, 22},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string out = dir / c.outputName;
        const RunResult r = afconvert(c.arguments + " " + quote(mono) + " -o " + quote(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.outLines().back(), "done");
        const Decoded d = decodeWithFfmpeg(out);
        ASSERT_TRUE(d.error.empty()) << d.error;
        EXPECT_EQ(d.codec, c.codec);
        EXPECT_EQ(d.sampleRate, c.rate);
        ASSERT_EQ(d.channels, c.channels);
        const int64_t expected = int64_t(0.5 * c.rate);
        EXPECT_NEAR(double(d.frames()), double(expected), 2100.0); // AAC: priming and one packet
        for (int ch = 0; ch < c.channels; ++ch)
            EXPECT_GT(toneSnr(d.samples[size_t(ch)], 440, c.rate, 2200, size_t(expected) - 200),
                      c.minSnr);
    }
    // A third reader for PCM CAF: libsndfile through sox.
    const std::string caf = quote(dir / "c.caf");
    EXPECT_EQ(runShell("sox --i -r " + caf + "; sox --i -c " + caf + "; sox --i -b " + caf).out,
              "48000\n2\n24\n");
}

TEST(AfconvertOptions, ChannelsLayoutsAndFiller) {
    TempDir dir;
    const std::string surround = dir / "surround.wav";
    makeTones(surround, 0.3, 48000, {300, 500, 700, 60, 900, 1100});
    // 5.1 PCM keeps WAV order; AAC 5.1 is declared in AAC's own order.
    const std::string pcm = dir / "pcm51.caf", aac = dir / "aac51.caf";
    ASSERT_EQ(afconvert("-f caff -d LEI16 " + quote(surround) + " " + quote(pcm)).exitCode, 0);
    ASSERT_EQ(afconvert("-f caff -d aac -b 384000 " + quote(surround) + " " + quote(aac)).exitCode,
              0);
    EXPECT_EQ(readCaf(pcm).layoutTag, 0x00790006u);
    EXPECT_EQ(readCaf(aac).layoutTag, 0x007C0006u);
    const Decoded d = decodeWithFfmpeg(aac);
    ASSERT_EQ(d.channels, 6);
    // FFmpeg hands the channels back in WAV order: each tone where it went in.
    const int tones[6] = {300, 500, 700, 60, 900, 1100};
    for (int ch = 0; ch < 6; ++ch)
        EXPECT_GT(toneSnr(d.samples[size_t(ch)], tones[ch], 48000, 3000, 12000), 15.0)
            << "channel " << ch;

    // Without --no-filler a 'free' chunk puts the audio on a 4096-byte boundary.
    const CafFacts filled = readCaf(pcm);
    EXPECT_NE(std::find(filled.chunks.begin(), filled.chunks.end(), "free"), filled.chunks.end());
    EXPECT_EQ(filled.dataOffset % 4096, 0u);

    // Mono to stereo copies; stereo to mono averages (same tone, same level).
    const std::string mono = dir / "mono.wav", stereo = dir / "stereo.caf", back = dir / "back.caf";
    makeTones(mono, 0.3, 44100, {440});
    ASSERT_EQ(afconvert("-f caff -d LEI16 -c 2 " + quote(mono) + " " + quote(stereo)).exitCode, 0);
    ASSERT_EQ(afconvert("-f caff -d LEI16 -c 1 " + quote(stereo) + " " + quote(back)).exitCode, 0);
    const Decoded a = decodeWithFfmpeg(mono), b = decodeWithFfmpeg(stereo),
                  c = decodeWithFfmpeg(back);
    ASSERT_EQ(b.channels, 2);
    EXPECT_EQ(b.samples[0], a.samples[0]);
    EXPECT_EQ(b.samples[1], a.samples[0]);
    EXPECT_EQ(c.samples[0], a.samples[0]);
}

// The amplitude of the sine of the given frequency in the samples (least squares).
double toneAmplitude(const std::vector<float>& x, double frequency, int rate) {
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double w = 2 * M_PI * frequency * double(i) / rate;
        const double s = std::sin(w), c = std::cos(w);
        ss += s * s, sc += s * c, cc += c * c, ys += x[i] * s, yc += x[i] * c;
    }
    const double det = ss * cc - sc * sc;
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

TEST(AfconvertOptions, ResamplerComplexityTradesAliasingForTime) {
    TempDir dir;
    // 1 kHz, and 11.6 kHz, which 22.05 kHz cannot hold: a good filter
    // removes it, a poor one folds it back to 10.45 kHz.
    std::vector<float> mix(24000);
    for (size_t i = 0; i < mix.size(); ++i)
        mix[i] = float(0.4 * std::sin(2 * M_PI * 1000 * double(i) / 48000) +
                       0.4 * std::sin(2 * M_PI * 11600 * double(i) / 48000));
    const std::string in = dir / "mix.wav";
    writeWav16(in, 48000, {mix});
    std::map<std::string, double> alias;
    for (const std::string complexity : {"line", "norm", "bats"}) {
        SCOPED_TRACE(complexity);
        const std::string out = dir / (complexity + ".caf");
        const RunResult r = afconvert("-f caff -d LEF32@22050 --src-complexity " + complexity +
                                      " " + quote(in) + " " + quote(out));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const Decoded d = decodeWithFfmpeg(out);
        ASSERT_EQ(d.frames(), 11025);
        const std::vector<float> middle(d.samples[0].begin() + 500, d.samples[0].end() - 500);
        alias[complexity] = 20 * std::log10(toneAmplitude(middle, 10450, 22050) /
                                            toneAmplitude(middle, 1000, 22050));
    }
    // Measured: line -7 dB, norm -23 dB, bats -83 dB.
    EXPECT_GT(alias["line"], alias["norm"] + 6) << alias["line"];
    EXPECT_LT(alias["norm"], -15.0);
    EXPECT_LT(alias["bats"], alias["norm"] - 30) << alias["bats"];
}

TEST(AfconvertOptions, ChannelLayoutTagsForInputAndOutput) {
    TempDir dir;
    const std::string surround = dir / "surround.wav";
    makeTones(surround, 0.3, 48000, {300, 500, 700, 60, 900, 1100}); // WAV order
    auto convert = [&](const std::string& options, const std::string& name) {
        return afconvert("-f caff " + options + " " + quote(surround) + " " + quote(dir / name));
    };
    // Once: the output's layout, written as the CAF tag.
    ASSERT_EQ(convert("-d LEI16 -l MPEG_5_1_A", "a.caf").exitCode, 0);
    EXPECT_EQ(readCaf(dir / "a.caf").layoutTag, 0x00790006u);
    ASSERT_EQ(convert("-d aac -b 384000 -l AAC_5_1", "d.caf").exitCode, 0);
    EXPECT_EQ(readCaf(dir / "d.caf").layoutTag, 0x007C0006u);
    ASSERT_EQ(convert("-d LEI16 -l Stereo", "s.caf").exitCode, 0);
    EXPECT_EQ(readCaf(dir / "s.caf").channels, 2u);
    EXPECT_EQ(readCaf(dir / "s.caf").layoutTag, 0x00650002u);

    // Twice: the input's channels are C L R Ls Rs LFE, written in WAV order.
    ASSERT_EQ(convert("-d LEI16 -l MPEG_5_1_D -l MPEG_5_1_A", "r.caf").exitCode, 0);
    const Decoded r = decodeWithFfmpeg(dir / "r.caf");
    ASSERT_EQ(r.channels, 6);
    const int tones[6] = {500, 700, 300, 1100, 60, 900};
    for (int ch = 0; ch < 6; ++ch)
        EXPECT_GT(toneSnr(r.samples[size_t(ch)], tones[ch], 48000, 1000, 13000), 60.0)
            << "channel " << ch;

    // What cannot be done is refused in one line, and leaves nothing.
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"-d LEI16 -l MPEG_5_1_D", "not in the order of MPEG_5_1_D (C L R Ls Rs LFE); use "
                                   "MPEG_5_1_A"},
        {"-d aac -l MPEG_5_1_A", "its own order, not in the order of MPEG_5_1_A"},
        {"-d LEI16 -c 2 -l 5.1", "-c 2 and -l 5.1 (L R C LFE Ls Rs) disagree"},
        {"-d LEI16 -l Stereo -l Stereo", "-l Stereo describes 2 channels; the input has 6"},
        {"-d ima4 -l quad", "ima4 holds one or two channels, -l quad has 4"},
    };
    for (const auto& [options, message] : refused) {
        const RunResult bad = convert(options, "bad.caf");
        EXPECT_EQ(bad.exitCode, 1) << options;
        EXPECT_NE(bad.err.find(message), std::string::npos) << bad.err;
        EXPECT_FALSE(fs::exists(dir / "bad.caf"));
    }
}

TEST(AfconvertOptions, FileTypeListAndSoundCheck) {
    const RunResult list = afconvert("-hf");
    EXPECT_EQ(list.exitCode, 0);
    for (const char* line : {"'caff' = Core Audio Format", "'WAVE' = WAVE", "'m4af' = MPEG-4",
                             "data formats: aac alac ima4 ulaw alaw lpcm"})
        EXPECT_NE(list.out.find(line), std::string::npos) << line;

    // Sound Check options are accepted with a warning; the audio is converted.
    TempDir dir;
    makeTones(dir / "in.wav", 0.2, 44100, {440});
    const RunResult r = afconvert("-f caff -d aac --soundcheck-generate --soundcheck-read " +
                                  quote(dir / "in.wav") + " " + quote(dir / "out.caf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.outLines().back(), "done");
    EXPECT_NE(r.err.find("warning: --soundcheck-generate: Sound Check"), std::string::npos);
    EXPECT_EQ(readCaf(dir / "out.caf").validFrames, 8820);
}

TEST(AfconvertOptions, OutputBesideTheInputTakesTheNextFreeName) {
    TempDir dir;
    const std::string in = dir / "song.caf";
    makeTones(dir / "src.wav", 0.2, 44100, {440});
    ASSERT_EQ(afconvert("-d LEI16 -f caff " + quote(dir / "src.wav") + " " + quote(in)).exitCode,
              0);
    // song.caf is the input itself: the output becomes song-1.caf, then song-2.caf.
    ASSERT_EQ(afconvert("-f caff -d ima4 " + quote(in)).exitCode, 0);
    ASSERT_EQ(afconvert("--file=caff --data=aac " + quote(in)).exitCode, 0);
    EXPECT_EQ(readCaf(dir / "song-1.caf").formatId, "ima4");
    EXPECT_EQ(readCaf(dir / "song-2.caf").formatId, "aac ");
    EXPECT_EQ(readCaf(in).formatId, "lpcm");
    // Options after the file names; the file type from -d alone.
    ASSERT_EQ(afconvert(quote(dir / "src.wav") + " -d BEI16").exitCode, 0);
    EXPECT_EQ(decodeWithFfmpeg(dir / "src.aif").codec, "pcm_s16be");
}

// --progress adds only lines a program can read ("progress F", F rising from
// 0 to 1) before the success line, and changes nothing in the output file.
TEST(AfconvertOptions, ProgressLinesForPrograms) {
    TempDir dir;
    const std::string source = dir / "tones.wav";
    makeTones(source, 20.0, 44100, {440, 1000});
    const RunResult plain =
        afconvert("-f caff -d aac " + quote(source) + " " + quote(dir / "a.caf"));
    const RunResult followed =
        afconvert("--progress -f caff -d aac " + quote(source) + " " + quote(dir / "b.caf"));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(followed.exitCode, 0) << followed.err;
    EXPECT_EQ(readFile(dir / "a.caf"), readFile(dir / "b.caf"));

    const auto lines = followed.outLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "done");
    double last = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        double part = -1;
        char rest = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "progress %lf%c", &part, &rest), 1) << lines[i];
        EXPECT_GE(part, last);
        EXPECT_LE(part, 1.0);
        last = part;
    }
    EXPECT_EQ(plain.outLines(), std::vector<std::string>{"done"});
}

} // namespace
} // namespace sondrel::afconvert::testing
