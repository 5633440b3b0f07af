#include "platform/afconvert/ffmpeg/ContainerLength.h"

#include <charconv>
#include <cstring>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

#include "platform/afconvert/CafStatedLength.h"
#include "platform/afconvert/Mp4TrackTiming.h"

namespace sondrel::afconvert {

namespace {

// Stream time, in the stream's time base, as frames at its sample rate.
int64_t toFrames(int64_t time, const AVStream& stream) {
    return av_rescale_q_rnd(time, stream.time_base, {1, stream.codecpar->sample_rate},
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

StatedLength quickTimeLength(const AVFormatContext& format, const AVStream& stream,
                             const std::string& path) {
    StatedLength length; // the priming is dropped by the demuxer already
    const int64_t start =
        stream.start_time == AV_NOPTS_VALUE ? 0 : toFrames(stream.start_time, stream);
    // The demuxer starts a stream whose priming comes from an iTunSMPB tag at
    // the priming; one with an edit list starts at 0 and lasts the edit.
    if (const AVDictionaryEntry* tag = av_dict_get(format.metadata, "iTunSMPB", nullptr, 0)) {
        const auto stated = parseItunesGaplessTag(tag->value);
        if (stated && start > 0 && start == stated->skipFrames) {
            length.frames = stated->frames;
            return length;
        }
    }
    if (start != 0)
        return length;
    // The demuxer's duration is the edit's, rounded to the movie's timescale.
    const RandomAccessFile file(path);
    const auto timing =
        file.isOpen() ? readMp4TrackTiming(file.reader(), uint32_t(stream.id)) : std::nullopt;
    if (const auto edited = timing ? editedFrames(*timing) : std::nullopt)
        length.frames = av_rescale_rnd(*edited, stream.codecpar->sample_rate,
                                       timing->mediaTimescale, AV_ROUND_NEAR_INF);
    else if (stream.duration > 0)
        length.frames = toFrames(stream.duration, stream);
    return length;
}

// FFmpeg's Ogg reader dates a Vorbis stream's first packet (which decodes to
// nothing) at 0 when its first page starts the stream, and then trims the
// end by that packet's length too much. The last granule position, which
// gives the duration, is right.
StatedLength oggVorbisLength(const AVStream& stream) {
    StatedLength length;
    if (stream.duration > 0) {
        length.frames = toFrames(stream.duration, stream);
        length.replacesDecoderEnd = true;
    }
    return length;
}

} // namespace

std::optional<StatedLength> parseItunesGaplessTag(std::string_view tag) {
    std::vector<uint64_t> fields;
    while (fields.size() < 4) {
        const size_t start = tag.find_first_not_of(' ');
        if (start == std::string_view::npos)
            return std::nullopt;
        tag.remove_prefix(start);
        uint64_t value = 0;
        const auto [end, error] = std::from_chars(tag.data(), tag.data() + tag.size(), value, 16);
        if (error != std::errc() || (end != tag.data() + tag.size() && *end != ' '))
            return std::nullopt;
        fields.push_back(value);
        tag.remove_prefix(size_t(end - tag.data()));
    }
    if (fields[1] > INT32_MAX || fields[3] == 0 || fields[3] > INT64_MAX)
        return std::nullopt;
    return StatedLength{int64_t(fields[1]), int64_t(fields[3])};
}

StatedLength containerLength(const AVFormatContext& format, int stream, const std::string& path) {
    const AVStream& s = *format.streams[stream];
    if (s.codecpar->sample_rate <= 0)
        return {};
    const std::string_view demuxer = format.iformat->name;
    if (demuxer == "caf")
        return readCafStatedLength(path).value_or(StatedLength{});
    if (demuxer.starts_with("mov,"))
        return quickTimeLength(format, s, path);
    if (demuxer == "ogg" && s.codecpar->codec_id == AV_CODEC_ID_VORBIS)
        return oggVorbisLength(s);
    return {};
}

} // namespace sondrel::afconvert
