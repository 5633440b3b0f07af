#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/afconvert/DataFormat.h"
#include "platform/afconvert/Status.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

namespace sondrel::afconvert {

// What a decoded input stream delivers.
struct SourceInfo {
    int sampleRate = 0;
    int channels = 0;
    uint64_t channelMask = 0; // FFmpeg/WAV channel bits, 0 when unknown
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    int64_t frameCount = -1;      // expected frames, -1 when unknown (progress only)
    std::optional<PcmFormat> pcm; // the stored samples, when they are linear PCM
    std::string codecName;        // for messages: "pcm_s16le", "mp3"
};

// A decoder for one input file, frame by frame.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual const SourceInfo& info() const = 0;
    // Sets frame to the next decoded frame, or to nullptr at the end of the
    // stream. The frame is owned by the source and valid until the next call.
    virtual Status next(const AVFrame*& frame) = 0;
    // Whether selectRange works: the source can start anywhere, exactly.
    virtual bool canSelectRange() const { return false; }
    // From now on, next() gives `frames` frames from frame `first` on (fewer
    // at the end of the source).
    virtual Status selectRange(int64_t first, int64_t frames) {
        (void)first;
        (void)frames;
        return Status::failure("this source cannot start partway through");
    }
};

} // namespace sondrel::afconvert
