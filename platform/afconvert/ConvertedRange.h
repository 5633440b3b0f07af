#pragma once

#include <cstdint>
#include <functional>

#include "platform/afconvert/AudioSource.h"
#include "platform/afconvert/Resampler.h"

namespace sondrel::afconvert {

// How a part of a source is read: the shape its frames come in, and the
// shape and frame size they are wanted in.
struct RangeConversion {
    SourceInfo in; // the source's frames, channel mask as -l says
    ResamplerSettings resampling;
    AudioShape out;
    int frameSize = 1024;
};

// Reads `frames` frames from frame `first` on (fewer at the source's end)
// from a source that can start anywhere, converts them, and hands each
// converted frame to `take` in order.
Status convertRange(AudioSource& source, const RangeConversion& how, int64_t first, int64_t frames,
                    const std::function<Status(const AVFrame&)>& take);

} // namespace sondrel::afconvert
