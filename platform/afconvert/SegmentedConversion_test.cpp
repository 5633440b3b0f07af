// A long source converted in segments on several threads gives the very
// bytes of the one-pass conversion; a cancel leaves nothing; a source that
// cannot start partway through is converted in one pass.

#include "platform/afconvert/SegmentedConversion.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include "platform/afconvert/Converter.h"
#include "platform/afconvert/LeanEngine.h"
#include "platform/afconvert/OutputFile.h"
#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

struct Lines final : Reporter {
    std::vector<std::string> infos;
    int fractionFd = -1; // where fractions are written, if anywhere
    void progress(int) override {}
    void fraction(double) override {
        if (fractionFd >= 0)
            (void)::write(fractionFd, "p", 1);
    }
    void info(const std::string& line) override { infos.push_back(line); }
    void note(const std::string&) override {}
};

// Tones, noise, silence and clipping in turn: every path of the IMA4 state.
void writeVaried(const std::string& path, int64_t frames, int channels) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    std::vector<std::vector<float>> samples(size_t(channels),
                                            std::vector<float>(static_cast<size_t>(frames)));
    for (int64_t i = 0; i < frames; ++i) {
        const int64_t part = (i / 3000) % 4;
        for (int ch = 0; ch < channels; ++ch) {
            const double t = double(i) / 44100;
            float v = 0;
            if (part == 0)
                v = float(0.4 * std::sin(2 * M_PI * (440 + 300 * ch) * t));
            else if (part == 1)
                v = noise(random);
            else if (part == 3)
                v = float(1.5 * std::sin(2 * M_PI * 60 * t)); // clipped
            samples[size_t(ch)][size_t(i)] = v;
        }
    }
    writeWav16(path, 44100, samples);
}

struct Converted {
    std::string bytes;
    bool segmented = false;
};

Converted convert(const std::string& source, const std::string& output, const std::string& data,
                  int channels, int jobs, int64_t segmentFrames) {
    Options options;
    EXPECT_TRUE(parseOptions({"-v", "-f", "caff", "-d", data, source, output}, options).ok());
    options.channels = channels;
    options.jobs = jobs;
    options.segmentFrames = segmentFrames;
    options.segmentMinimumFrames = 0;
    LeanEngine lean;
    Engines engines{lean, [](CodecEngine*&) { return Status::failure("no second engine"); }};
    Lines lines;
    std::string written;
    const Status status = convertFile(options, engines, lines, written);
    EXPECT_TRUE(status.ok()) << status.message();
    Converted run{readFile(output), false};
    for (const std::string& line : lines.infos)
        run.segmented = run.segmented || line.starts_with("threads: ");
    fs::remove(output);
    return run;
}

TEST(SegmentedConversion, ByteForByteTheOnePassFileAroundEveryBoundary) {
    TempDir dir;
    struct Case {
        int64_t frames;
        int64_t segmentFrames;
    };
    // Segments of one packet: whole packets, a last segment of one frame,
    // one frame short; longer than the IMA4 warm-up, so states are guessed
    // (and often wrongly) from the middle of tones, noise and clipping.
    // Then segments of many packets, ending one frame into the last.
    const std::vector<Case> cases = {{64 * 5, 64},    {64 * 5 + 1, 64}, {64 * 5 - 1, 64},
                                     {20000, 64},     {20033, 64},      {44100 * 2 + 1, 4096},
                                     {8192 + 1, 4096}};
    for (const Case& c : cases) {
        const std::string source = dir / ("varied " + std::to_string(c.frames) + ".wav");
        writeVaried(source, c.frames, 2);
        for (const auto& [data, channels] : std::vector<std::pair<std::string, int>>{
                 {"ima4", 0}, {"ima4", 1}, {"LEI16", 0}, {"BEI24", 1}, {"ulaw", 0}}) {
            SCOPED_TRACE(std::to_string(c.frames) + " frames in segments of " +
                         std::to_string(c.segmentFrames) + ", " + data + " -c " +
                         std::to_string(channels));
            const Converted one =
                convert(source, dir / "one.caf", data, channels, 1, c.segmentFrames);
            const Converted two =
                convert(source, dir / "two.caf", data, channels, 2, c.segmentFrames);
            const Converted three =
                convert(source, dir / "three.caf", data, channels, 3, c.segmentFrames);
            EXPECT_FALSE(one.segmented);
            EXPECT_EQ(two.segmented, c.frames > c.segmentFrames);
            ASSERT_FALSE(one.bytes.empty());
            EXPECT_TRUE(one.bytes == two.bytes);
            EXPECT_TRUE(one.bytes == three.bytes);
        }
    }
}

TEST(SegmentedConversion, FloatAndTwentyFourBitSourcesToo) {
    // Samples converted to 16 bits (by the library, frame by frame) and
    // mixed down from three channels.
    TempDir dir;
    const std::string varied = dir / "varied.wav";
    writeVaried(varied, 30000, 3);
    for (const std::string options :
         {"-e floating-point -b 32", "-b 24", "-e floating-point -b 64"}) {
        const std::string source = dir / "source.wav";
        ASSERT_EQ(runShell("sox " + quote(varied) + " " + options + " " + quote(source)).exitCode,
                  0);
        for (const auto& [data, channels] :
             std::vector<std::pair<std::string, int>>{{"ima4", 2}, {"ima4", 1}, {"LEI16", 0}}) {
            SCOPED_TRACE(options + " to " + data + " -c " + std::to_string(channels));
            const Converted one = convert(source, dir / "one.caf", data, channels, 1, 128);
            const Converted two = convert(source, dir / "two.caf", data, channels, 2, 128);
            EXPECT_TRUE(two.segmented);
            ASSERT_FALSE(one.bytes.empty());
            EXPECT_TRUE(one.bytes == two.bytes);
        }
    }
}

TEST(SegmentedConversion, ACancelLeavesNoFile) {
    TempDir dir;
    const std::string source = dir / "long.wav";
    writeVaried(source, 44100 * 20, 2);
    const std::string output = dir / "out.caf";
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The converter as the command line runs it, in segments of one
        // packet so that it is surely still at work when the signal comes.
        ::close(pipeFds[0]);
        OutputFile::installSignalCleanup();
        Options options;
        if (!parseOptions({"--progress", "-f", "caff", "-d", "ima4", source, output}, options).ok())
            ::_exit(3);
        options.jobs = 2;
        options.segmentFrames = 64;
        options.segmentMinimumFrames = 0;
        LeanEngine lean;
        Engines engines{lean, [](CodecEngine*&) { return Status::failure("none"); }};
        Lines lines;
        lines.fractionFd = pipeFds[1];
        std::string written;
        ::_exit(convertFile(options, engines, lines, written).ok() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    char progress = 0;
    ASSERT_EQ(::read(pipeFds[0], &progress, 1), 1); // converting, half a second in
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(pipeFds[0]);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"long.wav"});
}

TEST(SegmentedConversion, AFailedWriteNamesTheOutputAndLeavesNothing) {
    TempDir dir;
    const std::string source = dir / "long.wav";
    makeTones(source, 40.0, 44100, {440, 660});
    // 1 MiB at most: the IMA4 file needs 1.7 MB (SIGXFSZ is ignored, so writes fail).
    const RunResult full =
        runShell("ulimit -f 1024; " + quote(afconvertPath()) + " -v -j 2 -f caff -d ima4 -c 1 " +
                 quote(source) + " " + quote(dir / "big.caf"));
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.out.find("threads: 2"), std::string::npos) << full.out;
    EXPECT_EQ(full.out.find("done"), std::string::npos) << full.out;
    EXPECT_NE(full.err.find("big.caf: "), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("file too large"), std::string::npos) << full.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"long.wav"});
}

TEST(SegmentedConversion, ASourceThatCannotStartPartwayIsConvertedInOnePass) {
    TempDir dir;
    const std::string wav = dir / "tones.wav";
    makeTones(wav, 31.0, 44100, {440});
    const std::string flac = dir / "tones.flac";
    ASSERT_EQ(runShell("ffmpeg -v error -i " + quote(wav) + " " + quote(flac)).exitCode, 0);
    for (const std::string& source : {wav, flac}) {
        const RunResult two =
            afconvert("-v -j 2 -f caff -d ima4 " + quote(source) + " " + quote(dir / "two.caf"));
        const RunResult one =
            afconvert("-j 1 -f caff -d ima4 " + quote(source) + " " + quote(dir / "one.caf"));
        ASSERT_EQ(two.exitCode, 0) << two.err;
        ASSERT_EQ(one.exitCode, 0) << one.err;
        const bool segmented = two.out.find("threads: 2") != std::string::npos;
        EXPECT_EQ(segmented, source == wav) << two.out;
        EXPECT_TRUE(readFile(dir / "one.caf") == readFile(dir / "two.caf"));
    }
}

} // namespace
} // namespace sondrel::afconvert::testing
