#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/afconvert/StatedLength.h"

struct AVFormatContext;

namespace sondrel::afconvert {

// What the container of an open input says about the length of the audio in
// one of its streams, beyond what FFmpeg's demuxer and decoder already apply.
//
// - CAF: the packet table's priming and valid frames (the demuxer ignores them).
// - MP4/M4A/MOV: the demuxer drops the priming an edit list or an iTunSMPB
//   tag records, but decodes the encoder's padding at the end. The end is the
//   edit list's length (see editedFrames); without an edit list, the tag's
//   valid frames; without either, the length the sample table gives.
// - Ogg Vorbis: the last granule position (the demuxer's own end trimming
//   can be a packet off).
// - Other formats (MP3, Ogg Opus, FLAC, WAV, AIFF...) come out of the
//   decoder at their recorded length already, or record none.
StatedLength containerLength(const AVFormatContext& format, int stream, const std::string& path);

// The valid frames an iTunSMPB tag records (" 00000000 00000840 000001CA
// 00000000000A7F6A ...": priming, padding, valid frames), with its priming.
std::optional<StatedLength> parseItunesGaplessTag(std::string_view tag);

} // namespace sondrel::afconvert
