// The general decoder on files the ffmpeg command line makes: what it says
// of a source, the length it delivers (the container's, priming and padding
// removed) and the errors it gives for what it cannot read.

#include "platform/afconvert/ffmpeg/LavSource.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert {
namespace {

struct Delivered {
    int64_t frames = 0;
    std::string error;
};

// Decodes to the end, counting the frames.
Delivered decodeAll(AudioSource& source) {
    Delivered delivered;
    for (;;) {
        const AVFrame* frame = nullptr;
        const Status status = source.next(frame);
        if (!status.ok()) {
            delivered.error = status.message();
            return delivered;
        }
        if (frame == nullptr)
            return delivered;
        delivered.frames += frame->nb_samples;
    }
}

bool encode(const std::string& from, const std::string& to, const std::string& options) {
    return testing::runShell("ffmpeg -v error -y -i " + testing::quote(from) + " " + options + " " +
                             testing::quote(to))
               .exitCode == 0;
}

TEST(LavSource, EachContainerGivesItsSourcesStatedLength) {
    testing::TempDir dir;
    // 44,321 frames: no whole number of any codec's packets.
    constexpr int64_t kFrames = 44321;
    testing::writeWav16(
        dir / "a.wav", 44100,
        {testing::sweep(kFrames, 44100, 100, 4000), testing::sweep(kFrames, 44100, 300, 6000)});
    struct Case {
        const char* name;
        const char* options;
        const char* codec;
    };
    for (const Case& c : {Case{"a.flac", "", "flac"}, Case{"a.m4a", "-c:a aac -b:a 128k", "aac"},
                          Case{"a.ogg", "-c:a libvorbis", "vorbis"},
                          Case{"b.wav", "-c:a pcm_s24le", "pcm_s24le"}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(encode(dir / "a.wav", dir / c.name, c.options));
        std::unique_ptr<AudioSource> source;
        ASSERT_TRUE(LavSource::open(dir / c.name, source).ok());
        const SourceInfo& info = source->info();
        EXPECT_EQ(info.sampleRate, 44100);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.codecName, c.codec);
        const Delivered delivered = decodeAll(*source);
        EXPECT_EQ(delivered.error, "");
        EXPECT_EQ(delivered.frames, kFrames);
    }
}

TEST(LavSource, WhatCannotBeReadIsAnErrorWithAReason) {
    testing::TempDir dir;
    std::unique_ptr<AudioSource> source;
    const Status missing = LavSource::open(dir / "missing.mp3", source);
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.message().empty());
    EXPECT_FALSE(source);

    std::ofstream(dir / "text.mp3") << "This is not audio, whatever its name says.\n";
    EXPECT_FALSE(LavSource::open(dir / "text.mp3", source).ok());
    EXPECT_FALSE(source);

    // A FLAC file whose audio data is overwritten halfway: an error, not a gap.
    testing::writeWav16(dir / "a.wav", 44100, {testing::sweep(88200, 44100, 100, 4000)});
    ASSERT_TRUE(encode(dir / "a.wav", dir / "a.flac", ""));
    std::string bytes = testing::readFile(dir / "a.flac");
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 4096 && i < bytes.size(); ++i)
        bytes[i] = char(0x5A ^ i);
    std::ofstream(dir / "damaged.flac", std::ios::binary) << bytes;
    ASSERT_TRUE(LavSource::open(dir / "damaged.flac", source).ok());
    EXPECT_NE(decodeAll(*source).error, "");
}

} // namespace
} // namespace sondrel::afconvert
