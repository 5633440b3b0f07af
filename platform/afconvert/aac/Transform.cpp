#include "platform/afconvert/aac/Transform.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/tx.h>
}

#include "platform/afconvert/aac/Windows.h"

namespace sondrel::afconvert::aac {

struct Transform::Context {
    AVTXContext* tx = nullptr;
    av_tx_fn run = nullptr;

    explicit Context(int lines) {
        // A decoder's synthesis takes 1/N of the lines; the forward transform
        // gives twice what that inverts to.
        const float scale = 2.0f;
        if (av_tx_init(&tx, &run, AV_TX_FLOAT_MDCT, 0, lines, &scale, 0) < 0)
            std::abort(); // only out of memory; the sizes are fixed and valid
    }
    ~Context() { av_tx_uninit(&tx); }
    void operator()(float* out, float* in) { run(tx, out, in, sizeof(float)); }
};

namespace {

// The transforms' set-up (their twiddle tables) is the same for every
// encoder, and a short file's measuring makes a dozen: each thread sets
// them up once. A context keeps no state between calls, but its scratch is
// not to be shared between threads.
Transform::Context& longContext() {
    thread_local Transform::Context context(kFrameLines);
    return context;
}

Transform::Context& shortContext() {
    thread_local Transform::Context context(kShortLines);
    return context;
}

constexpr int kBlock = 2 * kFrameLines;
// Where the short windows' flat or zero parts lie in a start or stop window.
constexpr int kShortEdge = (kFrameLines - kShortLines) / 2; // 448

// Windowing, sample by sample. The windows' sizes are fixed (1024 or 128)
// and the buffers never overlap, so the compiler can do several samples an
// instruction.
template <size_t N>
void riseBy(const float* __restrict in, const float* __restrict window, float* __restrict out) {
    for (size_t n = 0; n < N; ++n)
        out[n] = in[n] * window[n];
}

template <size_t N>
void fallBy(const float* __restrict in, const float* __restrict window, float* __restrict out) {
    for (size_t n = 0; n < N; ++n)
        out[n] = in[n] * window[N - 1 - n];
}

void rise(const float* in, std::span<const float> window, float* out) {
    if (window.size() == kFrameLines)
        riseBy<kFrameLines>(in, window.data(), out);
    else
        riseBy<kShortLines>(in, window.data(), out);
}

void fall(const float* in, std::span<const float> window, float* out) {
    if (window.size() == kFrameLines)
        fallBy<kFrameLines>(in, window.data(), out);
    else
        fallBy<kShortLines>(in, window.data(), out);
}

} // namespace

void Transform::forward(const float* block, WindowSequence sequence, WindowShape previousShape,
                        WindowShape shape, float* lines) {
    float* w = m_windowed;
    switch (sequence) {
    case WindowSequence::EightShort:
        for (int win = 0; win < kShortWindows; ++win) {
            const float* in = block + kShortEdge + win * kShortLines;
            rise(in, shortWindowRise(win == 0 ? previousShape : shape), w);
            fall(in + kShortLines, shortWindowRise(shape), w + kShortLines);
            shortContext()(lines + win * kShortLines, w);
        }
        return;
    case WindowSequence::OnlyLong:
    case WindowSequence::LongStart:
        rise(block, longWindowRise(previousShape), w);
        break;
    case WindowSequence::LongStop:
        std::fill(w, w + kShortEdge, 0.0f);
        rise(block + kShortEdge, shortWindowRise(previousShape), w + kShortEdge);
        std::copy(block + kShortEdge + kShortLines, block + kFrameLines,
                  w + kShortEdge + kShortLines);
        break;
    }
    float* second = w + kFrameLines;
    const float* in = block + kFrameLines;
    if (sequence == WindowSequence::LongStart) {
        std::copy(in, in + kShortEdge, second);
        fall(in + kShortEdge, shortWindowRise(shape), second + kShortEdge);
        std::fill(second + kShortEdge + kShortLines, w + kBlock, 0.0f);
    } else {
        fall(in, longWindowRise(shape), second);
    }
    longContext()(lines, w);
}

} // namespace sondrel::afconvert::aac
