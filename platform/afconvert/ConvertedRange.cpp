#include "platform/afconvert/ConvertedRange.h"

namespace sondrel::afconvert {

Status convertRange(AudioSource& source, const RangeConversion& how, int64_t first, int64_t frames,
                    const std::function<Status(const AVFrame&)>& take) {
    AFC_TRY(source.selectRange(first, frames));
    const SourceInfo& in = how.in;
    Resampler resampler;
    AFC_TRY(resampler.open({in.sampleRate, in.channels, in.channelMask, in.sampleFormat}, how.out,
                           how.frameSize, how.resampling));
    const auto drain = [&](bool atEnd) -> Status {
        for (;;) {
            const AVFrame* frame = nullptr;
            AFC_TRY(resampler.pull(atEnd, frame));
            if (!frame)
                return {};
            AFC_TRY(take(*frame));
        }
    };
    for (;;) {
        const AVFrame* frame = nullptr;
        AFC_TRY(source.next(frame));
        if (!frame)
            break;
        AFC_TRY(resampler.push(frame));
        AFC_TRY(drain(false));
    }
    AFC_TRY(resampler.push(nullptr));
    return drain(true);
}

} // namespace sondrel::afconvert
