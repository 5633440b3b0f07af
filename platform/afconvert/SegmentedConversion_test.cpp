// A long source converted in segments on several threads gives the very
// bytes of the one-pass conversion; a cancel leaves nothing; a source that
// cannot start partway through is converted in one pass.

#include "platform/afconvert/SegmentedConversion.h"

#include <gtest/gtest.h>

#include <csignal>
#include <atomic>
#include <random>
#include <thread>

#include "platform/afconvert/Converter.h"
#include "platform/afconvert/LeanEngine.h"
#include "platform/afconvert/OutputFile.h"
#include "platform/afconvert/TestSupport.h"
#include "platform/posix/CorePool.h"

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

// Converts with `arguments` (besides -v and the files) on `jobs` threads;
// the output is kept when `keep` is set.
Converted convertWith(const std::vector<std::string>& arguments, const std::string& source,
                      const std::string& output, int jobs, int64_t segmentFrames, bool keep = false,
                      const std::string& corePool = {}) {
    Options options;
    std::vector<std::string> all{"-v"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    all.insert(all.end(), {source, output});
    EXPECT_TRUE(parseOptions(all, options).ok());
    options.jobs = jobs;
    options.corePool = corePool;
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
    if (!keep)
        fs::remove(output);
    return run;
}

Converted convert(const std::string& source, const std::string& output, const std::string& data,
                  int channels, int jobs, int64_t segmentFrames) {
    std::vector<std::string> arguments{"-f", "caff", "-d", data};
    if (channels)
        arguments.insert(arguments.end(), {"-c", std::to_string(channels)});
    return convertWith(arguments, source, output, jobs, segmentFrames);
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
                 {"ima4", 0},
                 {"ima4", 1},
                 {"LEI16", 0},
                 {"BEI24", 1},
                 {"ulaw", 0},
                 // Resampled: cut where input and output frames coincide.
                 {"ima4@48000", 0},
                 {"LEF32@22050", 1},
                 {"LEI16@32000", 0}}) {
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
            // A change of rate cuts on the rates' common grid: to 48 and 32
            // kHz every 320 output frames, which segments of 64 cannot follow;
            // to 22.05 kHz every frame.
            const bool coarseGrid = data == "ima4@48000" || data == "LEI16@32000";
            EXPECT_EQ(two.segmented,
                      c.frames > c.segmentFrames && (!coarseGrid || c.segmentFrames >= 320));
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

// A converter of a batch borrows the cores the batch's idle slots lend, for
// more threads, and gives them back; the file is the one-pass file.
TEST(SegmentedConversion, ACoreLentByTheBatchRunsMoreSegments) {
    TempDir dir;
    const std::string source = dir / "varied.wav";
    writeVaried(source, 44100 * 20, 2);
    const std::vector<std::string> arguments{"-f", "caff", "-d", "ima4"};
    const Converted one = convertWith(arguments, source, dir / "one.caf", 1, 4096);
    const std::unique_ptr<posix::CorePool> pool = posix::CorePool::create();
    ASSERT_TRUE(pool);
    pool->give();
    std::atomic<bool> done{false}, taken{false};
    std::thread watcher([&] {
        while (!done)
            taken = taken || pool->available() == 0;
    });
    const Converted lent =
        convertWith(arguments, source, dir / "lent.caf", 1, 4096, false, pool->name());
    done = true;
    watcher.join();
    EXPECT_TRUE(lent.segmented);
    EXPECT_TRUE(taken);
    EXPECT_EQ(pool->available(), 1);
    EXPECT_TRUE(one.bytes == lent.bytes);
}

// Chords that change every half second over a little noise, with a soft
// attack every 0.7 s: the coding error stays much the same everywhere, so a
// join that is heard stands out.
// `gated`: loud noise in every other second, silence between, so that a
// constrained rate's ceiling binds (the silence leaves the rest the rate).
void writeMusic(const std::string& path, int64_t frames, int rate, bool gated = false) {
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    std::vector<std::vector<float>> samples(2, std::vector<float>(static_cast<size_t>(frames)));
    for (int64_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        static constexpr double kRoots[] = {220, 261.6, 196, 293.7};
        const double root = kRoots[int(t * 2) % 4];
        const double attack = std::exp(-8 * std::fmod(t, 0.7));
        for (int ch = 0; ch < 2; ++ch) {
            double v = noise(random) * (gated ? 20.0 : 1.0);
            for (int h = 1; h <= 5; ++h)
                v += (0.12 - 0.02 * ch) / h * attack *
                     std::sin(2 * M_PI * root * (h + 0.5 * ch) * t);
            if (gated && int(t) % 2 == 0)
                v = 0;
            samples[size_t(ch)][size_t(i)] = float(v);
        }
    }
    writeWav16(path, rate, samples);
}

// The error of `decoded` against `source` (both channels), in dB, over
// frames from..to.
double errorDb(const std::vector<std::vector<float>>& source, const Decoded& decoded,
               const CafFacts& caf, size_t from, size_t to) {
    double sum = 1e-12;
    for (size_t ch = 0; ch < 2; ++ch) {
        const std::vector<float> out = trimmedByPacketTable(decoded.samples[ch], caf);
        for (size_t i = from; i < to && i < out.size(); ++i)
            sum += std::pow(double(out[i]) - source[ch][i], 2);
    }
    return 10 * std::log10(sum / double(to - from));
}

// AAC packets overlap: segments start early, read on past their end, and
// only their own packets are kept. The file must be the one-pass file in
// every way that matters: as long, aligned, decodable, no join heard, the
// rate promises kept.
TEST(SegmentedConversion, AacSegmentsJoinUnheard) {
    TempDir dir;
    const int rate = 44100;
    const int64_t frames = rate * 12 + 333, segment = 64 * 1024;
    const std::string music = dir / "music.wav", bursts = dir / "bursts.wav";
    writeMusic(music, frames, rate);
    writeMusic(bursts, frames, rate, true);
    const std::vector<std::vector<std::string>> strategies = {
        {"-s", "0", "-b", "128000"}, // constant: the decoder's buffer model across joins
        {"-s", "1", "-b", "96000"},
        {"-s", "3", "-b", "128000"}, // the quality measured over the whole file
        {"-s", "3", "-ue", "vbrq", "70"},
        {"-s", "2", "-b", "32000"}}; // the ceiling holds over every second, across joins too
    for (const auto& strategy : strategies) {
        std::vector<std::string> arguments{"-f", "caff", "-d", "aac"};
        arguments.insert(arguments.end(), strategy.begin(), strategy.end());
        SCOPED_TRACE(arguments[5] + " " + arguments[6] + " " + arguments[7]);
        const std::string& source = strategy[1] == "2" ? bursts : music;
        const auto samples = decodeWithFfmpeg(source).samples;
        const std::string one = dir / "one.caf", two = dir / "two.caf";
        EXPECT_FALSE(convertWith(arguments, source, one, 1, segment, true).segmented);
        EXPECT_TRUE(convertWith(arguments, source, two, 2, segment, true).segmented);
        const CafFacts a = readCaf(one), b = readCaf(two);
        EXPECT_EQ(a.packets, b.packets);
        EXPECT_EQ(b.validFrames, frames);
        EXPECT_EQ(a.priming, b.priming);
        EXPECT_EQ(a.remainder, b.remainder);
        const Decoded da = decodeWithFfmpeg(one), db = decodeWithFfmpeg(two);
        ASSERT_TRUE(db.error.empty()) << db.error;
        EXPECT_EQ(trimmedByPacketTable(db.samples[0], b).size(), size_t(frames));
        // Around each join the error is no louder than the one-pass file's
        // there, nor than the segmented file's own a little way off.
        const double whole = errorDb(samples, db, b, 0, size_t(frames));
        EXPECT_LT(whole, errorDb(samples, da, a, 0, size_t(frames)) + 0.5);
        for (int64_t join = segment; join < frames; join += segment) {
            const size_t from = size_t(join - 2048), to = size_t(join + 2048);
            const double there = errorDb(samples, db, b, from, to);
            EXPECT_LT(there, errorDb(samples, da, a, from, to) + 3.0) << "join at " << join;
            EXPECT_LT(there, whole + 6.0) << "join at " << join;
        }
        if (strategy[1] == "0") { // the decoder's buffer never overflows or runs dry
            EXPECT_TRUE(constantRateHolds(b, 128000, rate, 2)) << bufferSwing(b, 128000, rate);
        }
        if (strategy[1] == "2") { // no second over 1.5 times the rate, joins or not
            EXPECT_LE(peakRate(b, rate), 1.5 * 32000);
        }
        if (strategy[3] == "vbrq") { // a fixed quality: the joins make the same packets
            EXPECT_EQ(a.packetSizes, b.packetSizes);
        }
    }
    // A last segment of one frame, and one a frame short of a whole segment.
    const std::vector<std::string> fixedQuality{"-f", "caff", "-d",   "aac", "-s",
                                                "3",  "-ue",  "vbrq", "70"};
    for (const int64_t length : {2 * segment + 1, 2 * segment - 1}) {
        const std::string edge = dir / "edge.wav";
        writeMusic(edge, length, rate);
        EXPECT_TRUE(convertWith(fixedQuality, edge, dir / "edge2.caf", 2, segment, true).segmented);
        convertWith(fixedQuality, edge, dir / "edge1.caf", 1, segment, true);
        const CafFacts one = readCaf(dir / "edge1.caf"), two = readCaf(dir / "edge2.caf");
        EXPECT_EQ(two.validFrames, length);
        EXPECT_EQ(one.packetSizes, two.packetSizes) << length << " frames";
    }

    // A source at a rate AAC does not have (37.8 kHz, coded at 32 kHz): each
    // segment's resampler settles to one pass's output, so at a fixed quality
    // the packets are one pass's.
    const std::string odd = dir / "odd.wav";
    writeMusic(odd, 37800 * 12, 37800);
    EXPECT_FALSE(convertWith(fixedQuality, odd, dir / "odd1.caf", 1, segment, true).segmented);
    EXPECT_TRUE(convertWith(fixedQuality, odd, dir / "odd2.caf", 2, segment, true).segmented);
    const CafFacts one = readCaf(dir / "odd1.caf"), two = readCaf(dir / "odd2.caf");
    EXPECT_EQ(two.sampleRate, 32000.0);
    EXPECT_EQ(one.validFrames, two.validFrames);
    EXPECT_EQ(one.packetSizes, two.packetSizes);
}

} // namespace
} // namespace sondrel::afconvert::testing
