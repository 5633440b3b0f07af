#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/afconvert/Options.h"
#include "platform/afconvert/Status.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace sondrel::afconvert {

struct AudioShape {
    int sampleRate = 0;
    int channels = 0;
    uint64_t channelMask = 0; // 0: the default layout for the channel count
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
};

// How to resample and remix.
struct ResamplerSettings {
    std::optional<int> quality; // -r's 0 to 127; nothing for the filter's default
    ResamplerComplexity complexity = ResamplerComplexity::Normal;
    // When the input's channels do not come in WAV order: for each channel in
    // WAV order, the index of the input channel that carries it.
    std::vector<int> inputChannelMap;
};

// Converts decoded frames to the encoder's sample format, channel layout and
// rate (libswresample), and hands them out in frames of a fixed size. Mono
// to stereo copies the channel to both sides; stereo to mono averages them;
// other changes use the library's standard mixing. Holds at most a few frames.
//
// The output is exactly as long as the input scaled by the rate ratio,
// rounded to the nearest frame (a half frame rounds up): 110,250 frames at
// 44.1 kHz become 120,000 at 48 kHz, 12,345 at 44.1 kHz become 6,173 at
// 22.05 kHz. The filter's own delay is taken out, so output frame n lies at
// the time of input frame n times the ratio.
class Resampler {
public:
    Resampler() = default;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    Status open(const AudioShape& in, const AudioShape& out, int frameSize,
                const ResamplerSettings& settings);

    // Converts one input frame (which must have the input shape), or flushes
    // the resampler's delayed samples when frame is nullptr.
    Status push(const AVFrame* frame);
    // The next output frame of frameSize frames; at the end (after the flush
    // push) the last, shorter one. nullptr when not enough is buffered.
    Status pull(bool atEnd, const AVFrame*& frame);

    // The output length for an input length, as described above.
    static int64_t outputFrames(int64_t inputFrames, int inRate, int outRate);

private:
    Status chooseFilter(const ResamplerSettings& settings);
    Status padWithSilence(int frames);

    SwrContext* m_swr = nullptr;
    AVAudioFifo* m_fifo = nullptr;
    AVFrame* m_out = nullptr;
    AudioShape m_outShape;
    int m_frameSize = 0;
    uint8_t** m_buffer = nullptr;
    int m_bufferFrames = 0;
    int m_inRate = 0;
    int64_t m_framesIn = 0;
    int64_t m_framesOut = 0; // handed out by pull() so far
    bool m_flushed = false;
};

} // namespace sondrel::afconvert
