#pragma once

#include "platform/afconvert/aac/IcsFrame.h"

struct AVTXContext;

namespace sondrel::afconvert::aac {

// The encoder's MDCT: a block of 2048 samples (the previous frame's 1024 and
// this frame's) windowed as the sequence asks, transformed to 1024 lines, or
// to eight windows of 128 lines taken from the block's middle (samples 448 to
// 1599). Samples are in 16-bit units (full scale 32768), the scale a
// decoder's synthesis gives back.
class Transform {
public:
    // previousShape is the shape of the window that ended the previous block.
    void forward(const float* block, WindowSequence sequence, WindowShape previousShape,
                 WindowShape shape, float* lines);

    struct Context; // one of FFmpeg's transforms, set up once a thread

private:
    alignas(32) float m_windowed[2 * kFrameLines];
};

} // namespace sondrel::afconvert::aac
