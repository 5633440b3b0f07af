// The pieces that give decoded audio its stated length: the trimmer, the
// CAF packet table, the MP4 edit list and iTunSMPB tag, the resampled length.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/afconvert/CafStatedLength.h"
#include "platform/afconvert/CafWriter.h"
#include "platform/afconvert/Mp4TrackTiming.h"
#include "platform/afconvert/Resampler.h"
#include "platform/afconvert/StatedLength.h"
#include "platform/afconvert/TestSupport.h"
#include "platform/afconvert/ffmpeg/ContainerLength.h"

namespace sondrel::afconvert {
namespace {

struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

// A frame whose sample k of channel c is 100 * c + first + k.
FramePtr countingFrame(AVSampleFormat format, int channels, int frames, int first) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->nb_samples = frames;
    av_channel_layout_default(&frame->ch_layout, channels);
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    const bool planar = av_sample_fmt_is_planar(format);
    for (int c = 0; c < channels; ++c)
        for (int k = 0; k < frames; ++k) {
            auto* plane = reinterpret_cast<float*>(frame->extended_data[planar ? c : 0]);
            plane[planar ? k : k * channels + c] = float(100 * c + first + k);
        }
    return frame;
}

float sampleAt(const AVFrame& frame, int channel, int k) {
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame.format));
    const auto* plane = reinterpret_cast<const float*>(frame.extended_data[planar ? channel : 0]);
    return plane[planar ? k : k * frame.ch_layout.nb_channels + channel];
}

TEST(FrameTrimmer, DropsThePrimingAndEndsAtTheStatedLength) {
    for (AVSampleFormat format : {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT}) {
        SCOPED_TRACE(av_get_sample_fmt_name(format));
        // 1500 frames of priming over two 1024-frame frames, then 1000 frames.
        FrameTrimmer trimmer(StatedLength{1500, 1000});
        auto first = countingFrame(format, 2, 1024, 0);
        EXPECT_FALSE(trimmer.trim(*first));
        auto second = countingFrame(format, 2, 1024, 1024);
        ASSERT_TRUE(trimmer.trim(*second));
        EXPECT_EQ(second->nb_samples, 548);
        EXPECT_EQ(sampleAt(*second, 0, 0), 1500.0f);
        EXPECT_EQ(sampleAt(*second, 1, 547), 100.0f + 2047);
        auto third = countingFrame(format, 2, 1024, 2048);
        ASSERT_TRUE(trimmer.trim(*third));
        EXPECT_EQ(third->nb_samples, 452);
        EXPECT_EQ(sampleAt(*third, 1, 0), 100.0f + 2048);
        EXPECT_TRUE(trimmer.complete());
        auto fourth = countingFrame(format, 2, 1024, 3072);
        EXPECT_FALSE(trimmer.trim(*fourth));
    }
    // No stated length: everything passes, nothing is added.
    FrameTrimmer open;
    auto frame = countingFrame(AV_SAMPLE_FMT_FLT, 1, 10, 0);
    EXPECT_TRUE(open.trim(*frame));
    EXPECT_EQ(frame->nb_samples, 10);
    EXPECT_FALSE(open.complete());
}

ReadAt memoryReader(const std::vector<uint8_t>& bytes) {
    return [&bytes](uint64_t offset, uint8_t* buffer, size_t size) -> size_t {
        if (offset >= bytes.size())
            return 0;
        const size_t n = std::min<uint64_t>(size, bytes.size() - offset);
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    };
}

TEST(CafStatedLength, ReadsThePacketTableWhereverItIs) {
    // An AAC CAF file as our writer makes it: 3 packets, 1024 priming, 1000 valid.
    MemorySink out, audio, table;
    CafWriter writer(out, &audio, &table);
    CafWriterSetup setup;
    setup.description = {44100, "aac ", 0, 0, 1024, 1, 0};
    setup.magicCookie = {0x03};
    setup.primingFrames = 1024;
    ASSERT_TRUE(writer.begin(setup).ok());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(writer.writePacket(std::vector<uint8_t>(200, 1), 1024).ok());
    ASSERT_TRUE(writer.finish(1000).ok());
    std::vector<uint8_t> file = out.bytes();
    EXPECT_EQ(readCafStatedLength(memoryReader(file)), (StatedLength{1024, 1000}));

    // Not CAF, cut short, or with counts that cannot be right: nothing stated.
    EXPECT_FALSE(readCafStatedLength(memoryReader(std::vector<uint8_t>(64, 0))));
    std::vector<uint8_t> cut(file.begin(), file.begin() + 60);
    EXPECT_FALSE(readCafStatedLength(memoryReader(cut)));
    const auto pakt =
        std::search(file.begin(), file.end(), std::begin("pakt"), std::begin("pakt") + 4) -
        file.begin();
    std::vector<uint8_t> negative = file;
    negative[size_t(pakt) + 12 + 16] = 0x80; // priming below zero
    EXPECT_FALSE(readCafStatedLength(memoryReader(negative)));
    std::vector<uint8_t> zero = file;
    std::fill_n(zero.begin() + pakt + 12 + 8, 8, 0); // no valid frames: unknown
    EXPECT_FALSE(readCafStatedLength(memoryReader(zero)));
    // A packet table behind a data chunk that runs to the end is not part of the file.
    std::vector<uint8_t> endless = {'c', 'a', 'f', 'f', 0, 1, 0, 0, 'd', 'a', 't', 'a'};
    endless.insert(endless.end(), 8, 0xFF);
    endless.insert(endless.end(), file.begin() + pakt, file.end());
    EXPECT_FALSE(readCafStatedLength(memoryReader(endless)));
    std::fill_n(endless.begin() + 12, 8, 0); // the same with a real size reaches it
    EXPECT_TRUE(readCafStatedLength(memoryReader(endless)));
}

TEST(ContainerLength, ItunesGaplessTagAndEditLists) {
    EXPECT_EQ(parseItunesGaplessTag(" 00000000 00000840 000001CA 00000000000A7F6A 00000000 "
                                    "00000000 00000000 00000000 00000000 00000000 00000000 "
                                    "00000000"),
              (StatedLength{2112, 0xA7F6A}));
    EXPECT_EQ(parseItunesGaplessTag("00000000 00000400 0000003B 000000000000BE8D"),
              (StatedLength{1024, 0xBE8D}));
    for (const char* bad : {"", "00000000 00000840 000001CA", "0 840 1CA 0", "0 zz 1CA A7F6A",
                            "0 FFFFFFFFF 1CA A7F6A"})
        EXPECT_FALSE(parseItunesGaplessTag(bad)) << bad;

    // ffmpeg's edit lists count milliseconds: 1016 ms of a track of 49801
    // frames whose edit starts at 1024 means its last 48777 frames.
    Mp4TrackTiming timing{1000, 48000, 49801, 1, 1016, 1024};
    EXPECT_EQ(editedFrames(timing), 48777);
    timing.editDuration = 1015; // a real cut, a millisecond short of the end
    EXPECT_EQ(editedFrames(timing), 48720);
    timing.editDuration = 1016;
    timing.movieTimescale = 48000; // a fine timescale says what it means
    EXPECT_EQ(editedFrames(timing), 1016);
    timing.editCount = 2; // several edits: left to the demuxer
    EXPECT_FALSE(editedFrames(timing));
    EXPECT_FALSE(editedFrames(Mp4TrackTiming{1000, 48000, 0, 1, 1016, 0})); // fragmented

    // The timing boxes of a real file, as ffmpeg writes them.
    testing::TempDir dir;
    testing::writeWav16(dir / "a.wav", 48000, {testing::sweep(48777, 48000, 200, 2000)});
    ASSERT_EQ(testing::runShell("ffmpeg -v error -i " + testing::quote(dir / "a.wav") +
                                " -c:a aac " + testing::quote(dir / "a.m4a"))
                  .exitCode,
              0);
    const RandomAccessFile file(dir / "a.m4a");
    const auto read = readMp4TrackTiming(file.reader(), 1);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->movieTimescale, 1000u);
    EXPECT_EQ(read->mediaTimescale, 48000u);
    EXPECT_EQ(read->mediaDuration, 1024u + 48777u);
    EXPECT_EQ(read->editCount, 1u);
    EXPECT_EQ(read->editMediaTime, 1024);
    EXPECT_EQ(editedFrames(*read), 48777);
    EXPECT_FALSE(readMp4TrackTiming(file.reader(), 2)); // no such track
}

TEST(Resampler, OutputLengthIsTheScaledInputRoundedToNearest) {
    EXPECT_EQ(Resampler::outputFrames(110250, 44100, 48000), 120000);
    EXPECT_EQ(Resampler::outputFrames(12345, 44100, 22050), 6173);  // 6172.5 rounds up
    EXPECT_EQ(Resampler::outputFrames(12345, 44100, 8000), 2239);   // 2239.46
    EXPECT_EQ(Resampler::outputFrames(12345, 44100, 48000), 13437); // 13436.73
    EXPECT_EQ(Resampler::outputFrames(0, 44100, 48000), 0);
    EXPECT_EQ(Resampler::outputFrames(int64_t(1) << 40, 48000, 48000), int64_t(1) << 40);
}

} // namespace
} // namespace sondrel::afconvert
