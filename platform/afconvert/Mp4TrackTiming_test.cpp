// The MP4 timing boxes read from files made here byte by byte: the
// version-1 forms with 64-bit times, 64-bit box sizes, and edit lists of
// several entries, which the files ffmpeg writes never hold.

#include "platform/afconvert/Mp4TrackTiming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace sondrel::afconvert {
namespace {

std::string be32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[size_t(i)] = char(value >> (24 - 8 * i));
    return bytes;
}

std::string be64(uint64_t value) {
    return be32(uint32_t(value >> 32)) + be32(uint32_t(value));
}

std::string box(const std::string& type, const std::string& body) {
    return be32(uint32_t(8 + body.size())) + type + body;
}

// A box whose size is given in 64 bits after its type.
std::string wideBox(const std::string& type, const std::string& body) {
    return be32(1) + type + be64(16 + body.size()) + body;
}

// mvhd, tkhd and mdhd: the field after the creation and modification times,
// which are 32 bits wide in version 0 and 64 in version 1.
std::string timedHeader(const std::string& type, int version, uint32_t field) {
    const std::string times =
        version == 1 ? be64(0x1'0000'0001) + be64(0x1'0000'0002) : be32(1) + be32(2);
    return box(type, be32(uint32_t(version) << 24) + times + be32(field) + std::string(16, '\0'));
}

struct Edit {
    uint64_t duration;
    int64_t mediaTime;
};

std::string editList(int version, const std::vector<Edit>& edits) {
    std::string body = be32(uint32_t(version) << 24) + be32(uint32_t(edits.size()));
    for (const Edit& edit : edits) {
        body += version == 1 ? be64(edit.duration) + be64(uint64_t(edit.mediaTime))
                             : be32(uint32_t(edit.duration)) + be32(uint32_t(edit.mediaTime));
        body += be32(0x00010000); // media rate 1.0
    }
    return box("edts", box("elst", body));
}

std::string track(uint32_t id, int version, uint32_t mediaScale, const std::string& edits) {
    // Two time-to-sample entries: 10 packets of 1024 frames, one of 500.
    const std::string stts =
        box("stts", be32(0) + be32(2) + be32(10) + be32(1024) + be32(1) + be32(500));
    return box("trak", timedHeader("tkhd", version, id) + edits +
                           box("mdia", timedHeader("mdhd", version, mediaScale) +
                                           box("minf", box("stbl", stts))));
}

std::string movie(const std::string& tracks, int version = 0) {
    return box("ftyp", "M4A " + be32(0)) + wideBox("free", std::string(5, 'x')) +
           box("moov", timedHeader("mvhd", version, 600) + tracks);
}

ReadAt readerOf(const std::string& file) {
    return [&file](uint64_t offset, uint8_t* buffer, size_t size) -> size_t {
        if (offset >= file.size())
            return 0;
        const size_t count = std::min<size_t>(size, file.size() - size_t(offset));
        std::memcpy(buffer, file.data() + offset, count);
        return count;
    };
}

TEST(Mp4TrackTiming, VersionOneBoxesAndSixtyFourBitSizesAreRead) {
    // A second track in version 1, its one edit longer than 32 bits can say.
    const std::string file = movie(
        track(1, 0, 48000, "") + track(2, 1, 44100, editList(1, {{0x1'2345'6789, 0x1'0000'0840}})),
        1);
    const auto timing = readMp4TrackTiming(readerOf(file), 2);
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->movieTimescale, 600u);
    EXPECT_EQ(timing->mediaTimescale, 44100u);
    EXPECT_EQ(timing->mediaDuration, 10u * 1024u + 500u);
    EXPECT_EQ(timing->editCount, 1u);
    EXPECT_EQ(timing->editDuration, 0x1'2345'6789u);
    EXPECT_EQ(timing->editMediaTime, 0x1'0000'0840);
    // The first track, in version 0, has no edit list.
    const auto first = readMp4TrackTiming(readerOf(file), 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->mediaTimescale, 48000u);
    EXPECT_EQ(first->editCount, 0u);

    // An empty edit in version 1 is a media time of -1.
    const std::string empty = movie(track(7, 1, 44100, editList(1, {{600, -1}})));
    EXPECT_EQ(readMp4TrackTiming(readerOf(empty), 7)->editMediaTime, -1);

    // A box that claims more than its container holds ends the reading.
    std::string cut = file;
    cut.resize(cut.size() - 4);
    EXPECT_FALSE(readMp4TrackTiming(readerOf(cut), 2));
}

TEST(Mp4TrackTiming, SeveralEditsAreCountedAndLeftToTheDemuxer) {
    // An empty edit first (a delay), then two pieces of the media.
    for (int version : {0, 1}) {
        SCOPED_TRACE(version);
        const std::string file =
            movie(track(1, version, 48000, editList(version, {{300, -1}, {600, 2112}, {50, 0}})));
        const auto timing = readMp4TrackTiming(readerOf(file), 1);
        ASSERT_TRUE(timing);
        EXPECT_EQ(timing->editCount, 3u);
        EXPECT_EQ(timing->editDuration, 300u); // the first edit's
        EXPECT_EQ(timing->editMediaTime, -1);
        EXPECT_FALSE(editedFrames(*timing));
    }
    // A list that says it has an edit but holds none is no edit list.
    const std::string truncated =
        movie(track(1, 0, 48000, box("edts", box("elst", be32(0) + be32(2)))));
    const auto timing = readMp4TrackTiming(readerOf(truncated), 1);
    ASSERT_TRUE(timing);
    EXPECT_EQ(timing->editCount, 0u);
}

} // namespace
} // namespace sondrel::afconvert
