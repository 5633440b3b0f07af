#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

namespace sondrel::afconvert {

// The length a container records for its audio, where the decoder alone does
// not deliver it: frames at the start of the decoded audio that are not part
// of it (encoder priming the container records but the decoder keeps), and
// how many frames of audio follow them.
struct StatedLength {
    int64_t skipFrames = 0;
    int64_t frames = -1; // -1: the container states no length
    // The decoder's own trimming of the end is wrong for this container and
    // is to be left out: `frames` ends the audio instead.
    bool replacesDecoderEnd = false;

    bool operator==(const StatedLength&) const = default;
};

// Cuts decoded audio to a stated length: drops the first skipFrames frames
// and everything after `frames` more. It never adds frames, so a stream that
// ends early keeps what it has.
class FrameTrimmer {
public:
    FrameTrimmer() = default;
    explicit FrameTrimmer(const StatedLength& length)
        : m_skip(length.skipFrames > 0 ? length.skipFrames : 0), m_left(length.frames) {}

    // Trims a decoded frame in place, moving its data pointers (no copy).
    // Returns false when nothing of it is left.
    bool trim(AVFrame& frame);
    // Whether the stated length has been delivered, so that nothing more is wanted.
    bool complete() const { return m_left == 0; }
    // The container's priming turned out to be dropped by the decoder already.
    void forgetSkip() { m_skip = 0; }

private:
    int64_t m_skip = 0;
    int64_t m_left = -1;
};

} // namespace sondrel::afconvert
