// The writer of the file types other than CAF, fed PCM packets made here and
// read back by FFmpeg's own demuxers, and its errors on a full disk.

#include "platform/afconvert/ffmpeg/LavWriter.h"

#include <gtest/gtest.h>

#include <cmath>

#include <fcntl.h>
#include <unistd.h>

#include "platform/afconvert/TestSupport.h"
#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {
namespace {

// 16-bit PCM in the byte order asked for: channel c, frame k holds
// (1000 * (c + 1) + k) modulo 2^15.
EncodedStream pcmStream(bool bigEndian) {
    EncodedStream stream;
    stream.format.kind = DataKind::LinearPcm;
    stream.format.pcm = PcmFormat{16, false, true, bigEndian};
    stream.sampleRate = 8000;
    stream.channels = 2;
    stream.framesPerPacket = 1;
    stream.bytesPerPacket = 4;
    return stream;
}

int16_t sampleOf(int channel, int frame) {
    return int16_t((1000 * (channel + 1) + frame) % 32768);
}

Status writeFrames(LavWriter& writer, bool bigEndian, int frames) {
    AFC_TRY(writer.begin(pcmStream(bigEndian)));
    std::vector<uint8_t> bytes;
    for (int k = 0; k < frames; ++k) {
        for (int c = 0; c < 2; ++c) {
            const uint16_t value = uint16_t(sampleOf(c, k));
            const uint8_t high = uint8_t(value >> 8), low = uint8_t(value & 0xFF);
            bytes.push_back(bigEndian ? high : low);
            bytes.push_back(bigEndian ? low : high);
        }
    }
    // In uneven pieces, as an encoder hands them over.
    for (int k = 0; k < frames;) {
        const int count = std::min(frames - k, 1 + k % 700);
        AFC_TRY(
            writer.writePacket({bytes.data() + size_t(k) * 4, size_t(count) * 4}, uint32_t(count)));
        k += count;
    }
    return writer.finish(frames);
}

TEST(LavWriter, WaveAiffAndNextFilesHoldExactlyThePacketsWritten) {
    testing::TempDir dir;
    constexpr int kFrames = 5003;
    struct Case {
        FileType type;
        const char* name;
        bool bigEndian;
    };
    for (const Case& c : {Case{FileType::Wave, "a.wav", false}, Case{FileType::Aiff, "a.aif", true},
                          Case{FileType::Next, "a.au", true}}) {
        SCOPED_TRACE(c.name);
        {
            posix::UniqueFd fd(::open((dir / c.name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
            ASSERT_TRUE(fd);
            LavWriter writer(c.type, fd.get());
            const Status written = writeFrames(writer, c.bigEndian, kFrames);
            ASSERT_TRUE(written.ok()) << written.message();
        }
        const testing::Decoded decoded = testing::decodeWithFfmpeg(dir / c.name);
        ASSERT_EQ(decoded.error, "");
        EXPECT_EQ(decoded.sampleRate, 8000);
        ASSERT_EQ(decoded.channels, 2);
        ASSERT_EQ(decoded.frames(), kFrames);
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < kFrames; k += 997)
                EXPECT_EQ(std::lround(decoded.samples[size_t(ch)][size_t(k)] * 32768.0),
                          sampleOf(ch, k))
                    << "channel " << ch << " frame " << k;
    }
}

TEST(LavWriter, AFullDiskIsReportedInPlainWords) {
    posix::UniqueFd full(::open("/dev/full", O_WRONLY));
    ASSERT_TRUE(full);
    LavWriter writer(FileType::Wave, full.get());
    const Status written = writeFrames(writer, false, 200000);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.message().find("disk"), std::string::npos) << written.message();
}

} // namespace
} // namespace sondrel::afconvert
