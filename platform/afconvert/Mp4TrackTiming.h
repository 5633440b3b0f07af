#pragma once

#include <cstdint>
#include <optional>

#include "platform/afconvert/RandomAccessFile.h"

namespace sondrel::afconvert {

// The boxes of one MP4/MOV track that say how long it plays.
struct Mp4TrackTiming {
    uint32_t movieTimescale = 0; // mvhd: the unit of edit durations
    uint32_t mediaTimescale = 0; // mdhd: the unit of the media's times
    uint64_t mediaDuration = 0;  // stts: the sum of the sample durations
    uint32_t editCount = 0;      // elst entries (0: no edit list)
    uint64_t editDuration = 0;   // the first edit's duration, movie units
    int64_t editMediaTime = 0;   // where in the media the first edit starts (-1: empty edit)
};

// Reads the timing of the track with the given ID from an MP4/MOV file.
// Nothing when the file has no such track or its boxes are not readable.
std::optional<Mp4TrackTiming> readMp4TrackTiming(const ReadAt& read, uint32_t trackId);

// The frames, in media units, that a track with one edit plays. An edit's
// duration counts in the movie's timescale, which is often as coarse as a
// millisecond, so an edit meant to play the media to its end can fall a few
// frames short of it: a duration that is within one movie unit of the rest
// of the media means the rest of the media. Nothing for other edit lists.
std::optional<int64_t> editedFrames(const Mp4TrackTiming& timing);

} // namespace sondrel::afconvert
