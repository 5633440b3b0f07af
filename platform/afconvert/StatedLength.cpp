#include "platform/afconvert/StatedLength.h"

#include <algorithm>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace sondrel::afconvert {

bool FrameTrimmer::trim(AVFrame& frame) {
    int64_t skip = std::min<int64_t>(m_skip, frame.nb_samples);
    m_skip -= skip;
    int kept = frame.nb_samples - static_cast<int>(skip);
    if (m_left >= 0) {
        kept = static_cast<int>(std::min<int64_t>(kept, m_left));
        m_left -= kept;
    }
    if (kept <= 0)
        return false;
    if (skip > 0) {
        const auto format = static_cast<AVSampleFormat>(frame.format);
        const int channels = frame.ch_layout.nb_channels;
        const bool planar = av_sample_fmt_is_planar(format);
        const int planes = planar ? channels : 1;
        const int64_t offset =
            skip * av_get_bytes_per_sample(format) * (planar ? 1 : static_cast<int64_t>(channels));
        for (int i = 0; i < planes; ++i) {
            frame.extended_data[i] += offset;
            if (frame.extended_data != frame.data && i < AV_NUM_DATA_POINTERS)
                frame.data[i] += offset;
        }
    }
    frame.nb_samples = kept;
    return true;
}

} // namespace sondrel::afconvert
