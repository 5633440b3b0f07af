#include "runtime/controls/ImageDecoder.h"

#include <array>
#include <atomic>

namespace sondrel::controls {
namespace {

// The table is written at start-up only; the count is published after the entry so that a
// reader on another thread never sees a half-written decoder.
std::array<ImageDecoder, kMaxImageDecoders> g_decoders{};
std::atomic<int> g_decoderCount{0};
std::atomic<bool> g_contextCreated{false};

thread_local ImageDecoderContext t_context{};

} // namespace

void InitImageDecoders() {
    g_decoderCount.store(0, std::memory_order_release);
    g_contextCreated.store(true, std::memory_order_release);
}

int RegisterImageDecoder(const ImageDecoder& decoder) {
    const int count = g_decoderCount.load(std::memory_order_acquire);
    if (count >= kMaxImageDecoders || !decoder.check || !decoder.decode || !decoder.close) {
        return 0;
    }
    g_decoders[count] = decoder;
    g_decoderCount.store(count + 1, std::memory_order_release);
    return count + 1;
}

const ImageDecoder* RegisteredImageDecoders(int& count) {
    count = g_decoderCount.load(std::memory_order_acquire);
    return g_decoders.data();
}

ImageDecoderContext* ThreadImageDecoderContext() {
    if (!g_contextCreated.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return &t_context;
}

} // namespace sondrel::controls
