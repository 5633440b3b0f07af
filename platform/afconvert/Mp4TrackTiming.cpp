#include "platform/afconvert/Mp4TrackTiming.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/afconvert/BigEndian.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace sondrel::afconvert {

namespace {

constexpr int kMostBoxes = 4096; // in one container, before giving up
constexpr uint64_t kMostTimeEntries = 1u << 24;

struct Box {
    std::string_view type;
    uint64_t body = 0; // offset of the box's contents
    uint64_t end = 0;  // offset just past the box
};

// Calls visit(box) for each box in [begin, end) until it returns true; false
// when none did or the boxes cannot be read.
template <typename Visit>
bool findBox(const ReadAt& read, uint64_t begin, uint64_t end, Visit visit) {
    uint64_t at = begin;
    for (int count = 0; count < kMostBoxes && at <= end && end - at >= 8; ++count) {
        std::array<uint8_t, 16> header{};
        if (read(at, header.data(), 8) != 8)
            return false;
        uint64_t size = readBigEndian32(header.data());
        uint64_t body = at + 8;
        if (size == 1) { // a 64-bit size follows the type
            if (read(at + 8, header.data() + 8, 8) != 8)
                return false;
            size = readBigEndian64(header.data() + 8);
            body += 8;
        } else if (size == 0) { // runs to the end of its container
            size = end - at;
        }
        if (size < body - at || size > end - at)
            return false;
        const std::string type(reinterpret_cast<const char*>(header.data() + 4), 4);
        if (visit(Box{type, body, at + size}))
            return true;
        at += size;
    }
    return false;
}

// The box of the given type directly inside [begin, end).
std::optional<Box> child(const ReadAt& read, uint64_t begin, uint64_t end, std::string_view type) {
    std::optional<Box> found;
    findBox(read, begin, end, [&](const Box& box) {
        if (box.type == type)
            found = Box{type, box.body, box.end};
        return found.has_value();
    });
    return found;
}

// The box at the end of a path of types ("mdia", "mdhd") inside a container.
std::optional<Box> descend(const ReadAt& read, Box box,
                           std::initializer_list<std::string_view> path) {
    for (std::string_view type : path) {
        const auto next = child(read, box.body, box.end, type);
        if (!next)
            return std::nullopt;
        box = *next;
    }
    return box;
}

// mvhd, tkhd and mdhd keep a field at a place that depends on their version.
std::optional<uint32_t> versionedField(const ReadAt& read, const Box& box, uint64_t offset0,
                                       uint64_t offset1) {
    std::array<uint8_t, 4> bytes{};
    if (read(box.body, bytes.data(), 1) != 1)
        return std::nullopt;
    const uint64_t at = box.body + (bytes[0] == 1 ? offset1 : offset0);
    if (at + 4 > box.end || read(at, bytes.data(), 4) != 4)
        return std::nullopt;
    return readBigEndian32(bytes.data());
}

bool readMediaDuration(const ReadAt& read, const Box& stts, uint64_t& duration) {
    std::array<uint8_t, 8> head{};
    if (stts.body + 8 > stts.end || read(stts.body, head.data(), 8) != 8)
        return false;
    const uint64_t entries = readBigEndian32(head.data() + 4);
    if (entries > kMostTimeEntries || stts.body + 8 + entries * 8 > stts.end)
        return false;
    // Read in pieces: a long track of varying packets has many entries.
    std::array<uint8_t, 8 * 512> piece{};
    duration = 0;
    for (uint64_t done = 0; done < entries;) {
        const size_t count = size_t(std::min<uint64_t>(entries - done, piece.size() / 8));
        if (read(stts.body + 8 + done * 8, piece.data(), count * 8) != count * 8)
            return false;
        for (size_t i = 0; i < count * 8; i += 8)
            duration += uint64_t(readBigEndian32(&piece[i])) * readBigEndian32(&piece[i + 4]);
        done += count;
    }
    return true;
}

void readEditList(const ReadAt& read, const Box& trak, Mp4TrackTiming& timing) {
    const auto elst = descend(read, trak, {"edts", "elst"});
    std::array<uint8_t, 24> bytes{};
    if (!elst || elst->body + 8 > elst->end || read(elst->body, bytes.data(), 8) != 8)
        return;
    const bool wide = bytes[0] == 1;
    const uint32_t count = readBigEndian32(bytes.data() + 4);
    const size_t entry = wide ? 20 : 12;
    if (count == 0 || elst->body + 8 + entry > elst->end ||
        read(elst->body + 8, bytes.data(), entry) != entry)
        return;
    timing.editCount = count;
    timing.editDuration = wide ? readBigEndian64(bytes.data()) : readBigEndian32(bytes.data());
    timing.editMediaTime = wide ? int64_t(readBigEndian64(bytes.data() + 8))
                                : int32_t(readBigEndian32(bytes.data() + 4));
}

std::optional<Mp4TrackTiming> readTrack(const ReadAt& read, const Box& trak, uint32_t movieScale) {
    Mp4TrackTiming timing;
    timing.movieTimescale = movieScale;
    const auto mdhd = descend(read, trak, {"mdia", "mdhd"});
    const auto stts = descend(read, trak, {"mdia", "minf", "stbl", "stts"});
    if (!mdhd || !stts)
        return std::nullopt;
    const auto mediaScale = versionedField(read, *mdhd, 12, 20);
    if (!mediaScale || *mediaScale == 0 || !readMediaDuration(read, *stts, timing.mediaDuration))
        return std::nullopt;
    timing.mediaTimescale = *mediaScale;
    readEditList(read, trak, timing);
    return timing;
}

} // namespace

std::optional<Mp4TrackTiming> readMp4TrackTiming(const ReadAt& read, uint32_t trackId) {
    std::optional<Box> moov;
    findBox(read, 0, UINT64_MAX, [&](const Box& box) {
        if (box.type == "moov")
            moov = Box{"moov", box.body, box.end};
        return moov.has_value();
    });
    if (!moov)
        return std::nullopt;
    const auto mvhd = child(read, moov->body, moov->end, "mvhd");
    const auto movieScale = mvhd ? versionedField(read, *mvhd, 12, 20) : std::nullopt;
    if (!movieScale || *movieScale == 0)
        return std::nullopt;
    std::optional<Mp4TrackTiming> timing;
    findBox(read, moov->body, moov->end, [&](const Box& trak) {
        if (trak.type != "trak")
            return false;
        const auto tkhd = child(read, trak.body, trak.end, "tkhd");
        if (!tkhd || versionedField(read, *tkhd, 12, 20) != trackId)
            return false;
        timing = readTrack(read, trak, *movieScale);
        return true;
    });
    return timing;
}

std::optional<int64_t> editedFrames(const Mp4TrackTiming& t) {
    // A fragmented file keeps its samples' times outside the track's own table.
    if (t.editCount != 1 || t.mediaDuration == 0 || t.editMediaTime < 0 ||
        uint64_t(t.editMediaTime) > t.mediaDuration || t.editDuration > uint64_t(INT64_MAX) ||
        t.movieTimescale == 0)
        return std::nullopt;
    const int64_t rest = int64_t(t.mediaDuration) - t.editMediaTime;
    // |duration - rest| < one movie unit, counted in media units times movie units.
    const __int128 difference =
        __int128(t.editDuration) * t.mediaTimescale - __int128(rest) * t.movieTimescale;
    if ((difference < 0 ? -difference : difference) < t.mediaTimescale)
        return rest;
    return av_rescale_rnd(int64_t(t.editDuration), t.mediaTimescale, t.movieTimescale,
                          AV_ROUND_NEAR_INF);
}

} // namespace sondrel::afconvert
