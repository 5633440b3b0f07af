#include "platform/afconvert/Resampler.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace sondrel::afconvert {

namespace {

AVChannelLayout layoutOf(const AudioShape& shape) {
    AVChannelLayout layout{};
    if (shape.channelMask != 0)
        av_channel_layout_from_mask(&layout, shape.channelMask);
    else
        av_channel_layout_default(&layout, shape.channels);
    return layout;
}

Status libraryFailure(const char* what, int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return Status::failure(std::string(what) + ": " + text);
}

} // namespace

Resampler::~Resampler() {
    if (m_buffer)
        av_freep(&m_buffer[0]);
    av_freep(&m_buffer);
    av_frame_free(&m_out);
    if (m_fifo)
        av_audio_fifo_free(m_fifo);
    swr_free(&m_swr);
}

// The filter for each complexity; -r then picks within its range. line: a
// short filter, quick but with more aliasing; norm: the library's filter
// (32 taps unless -r says otherwise); bats: the SoX resampler at up to 33 bits
// of precision, the steepest and slowest.
Status Resampler::chooseFilter(const ResamplerSettings& settings) {
    const std::optional<int> q = settings.quality;
    switch (settings.complexity) {
    case ResamplerComplexity::Line:
        av_opt_set_int(m_swr, "filter_size", q ? 2 + *q * 6 / 127 : 4, 0);
        av_opt_set_int(m_swr, "phase_shift", 6, 0);
        av_opt_set_int(m_swr, "linear_interp", 0, 0);
        break;
    case ResamplerComplexity::Normal:
        if (q) { // -r 0..127 spans short fast filters to long steep ones
            av_opt_set_int(m_swr, "filter_size", 8 + *q * 56 / 127, 0);
            av_opt_set_int(m_swr, "phase_shift", *q >= 64 ? 12 : 10, 0);
            av_opt_set_int(m_swr, "linear_interp", *q >= 32 ? 1 : 0, 0);
        }
        break;
    case ResamplerComplexity::Mastering:
        if (av_opt_set_int(m_swr, "resampler", SWR_ENGINE_SOXR, 0) < 0)
            return Status::failure("the mastering resampler (SoX) is not available");
        av_opt_set_double(m_swr, "precision", q ? 20 + *q * 13.0 / 127 : 28, 0);
        break;
    }
    return {};
}

Status Resampler::open(const AudioShape& in, const AudioShape& out, int frameSize,
                       const ResamplerSettings& settings) {
    m_outShape = out;
    m_frameSize = frameSize;
    m_inRate = in.sampleRate;
    AVChannelLayout inLayout = layoutOf(in);
    AVChannelLayout outLayout = layoutOf(out);
    int error = swr_alloc_set_opts2(&m_swr, &outLayout, out.sampleFormat, out.sampleRate, &inLayout,
                                    in.sampleFormat, in.sampleRate, 0, nullptr);
    if (error < 0)
        return libraryFailure("cannot set up the resampler", error);
    AFC_TRY(chooseFilter(settings));
    if (!settings.inputChannelMap.empty() && int(settings.inputChannelMap.size()) == in.channels &&
        (error = swr_set_channel_mapping(m_swr, settings.inputChannelMap.data())) < 0)
        return libraryFailure("cannot set up the input's channel order", error);
    if (in.channels != out.channels && (in.channels <= 2 && out.channels <= 2)) {
        // Duplicate mono into both sides; average stereo into mono, so that
        // neither changes the level of what was common to both channels.
        std::vector<double> matrix =
            in.channels == 1 ? std::vector<double>{1.0, 1.0} : std::vector<double>{0.5, 0.5};
        error = swr_set_matrix(m_swr, matrix.data(), in.channels);
        if (error < 0)
            return libraryFailure("cannot set up channel mixing", error);
    }
    error = swr_init(m_swr);
    if (error < 0)
        return libraryFailure(settings.complexity == ResamplerComplexity::Mastering
                                  ? "cannot set up the mastering resampler (SoX)"
                                  : "cannot set up the resampler",
                              error);
    m_fifo = av_audio_fifo_alloc(out.sampleFormat, out.channels, std::max(frameSize, 1) * 2);
    m_out = av_frame_alloc();
    if (!m_fifo || !m_out)
        return Status::failure("out of memory");
    m_out->format = out.sampleFormat;
    m_out->sample_rate = out.sampleRate;
    m_out->nb_samples = frameSize;
    m_out->ch_layout = outLayout;
    if (av_frame_get_buffer(m_out, 0) < 0)
        return Status::failure("out of memory");
    return {};
}

int64_t Resampler::outputFrames(int64_t inputFrames, int inRate, int outRate) {
    return av_rescale_rnd(inputFrames, outRate, inRate, AV_ROUND_NEAR_INF);
}

Status Resampler::push(const AVFrame* frame) {
    const int inFrames = frame ? frame->nb_samples : 0;
    m_framesIn += inFrames;
    const int room = swr_get_out_samples(m_swr, inFrames);
    if (room < 0)
        return libraryFailure("resampling failed", room);
    if (room > m_bufferFrames) {
        if (m_buffer)
            av_freep(&m_buffer[0]);
        av_freep(&m_buffer);
        if (av_samples_alloc_array_and_samples(&m_buffer, nullptr, m_outShape.channels, room,
                                               m_outShape.sampleFormat, 0) < 0)
            return Status::failure("out of memory");
        m_bufferFrames = room;
    }
    const uint8_t** input = frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr;
    const int made = swr_convert(m_swr, m_buffer, m_bufferFrames, input, inFrames);
    if (made < 0)
        return libraryFailure("resampling failed", made);
    if (made > 0 && av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(m_buffer), made) < made)
        return Status::failure("out of memory");
    if (frame)
        return {};
    // The filter's tail may fall a frame short of the exact length.
    m_flushed = true;
    const int64_t missing = outputFrames(m_framesIn, m_inRate, m_outShape.sampleRate) -
                            m_framesOut - av_audio_fifo_size(m_fifo);
    return missing > 0 ? padWithSilence(static_cast<int>(missing)) : Status{};
}

Status Resampler::padWithSilence(int frames) {
    uint8_t** silence = nullptr;
    if (av_samples_alloc_array_and_samples(&silence, nullptr, m_outShape.channels, frames,
                                           m_outShape.sampleFormat, 0) < 0)
        return Status::failure("out of memory");
    av_samples_set_silence(silence, 0, frames, m_outShape.channels, m_outShape.sampleFormat);
    const int written = av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(silence), frames);
    av_freep(&silence[0]);
    av_freep(&silence);
    return written < frames ? Status::failure("out of memory") : Status{};
}

Status Resampler::pull(bool atEnd, const AVFrame*& frame) {
    frame = nullptr;
    int buffered = av_audio_fifo_size(m_fifo);
    if (m_flushed) // and its tail may run a frame past it
        buffered = static_cast<int>(std::min<int64_t>(
            buffered, outputFrames(m_framesIn, m_inRate, m_outShape.sampleRate) - m_framesOut));
    if (buffered <= 0 || (buffered < m_frameSize && !atEnd))
        return {};
    const int take = std::min(buffered, m_frameSize);
    if (av_frame_make_writable(m_out) < 0)
        return Status::failure("out of memory");
    if (av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(m_out->data), take) < take)
        return Status::failure("resampling failed: buffer underrun");
    m_out->nb_samples = take;
    m_framesOut += take;
    frame = m_out;
    return {};
}

} // namespace sondrel::afconvert
