#include "runtime/controls/ImageDecoder.h"

#include <array>
#include <atomic>

#include "runtime/core/ThreadSlot.h"

namespace sondrel::controls {
namespace {

// The table is written at start-up only; the count is published after the entry so that a
// reader on another thread never sees a half-written decoder.
std::array<ImageDecoder, kMaxImageDecoders> g_decoders{};
std::atomic<int> g_decoderCount{0};

// The per-thread decoder context: a slot of this size, registered once.
constexpr std::size_t kContextSlotSize = 128;
static_assert(sizeof(ImageDecoderContext) <= kContextSlotSize);
constexpr std::size_t kNoSlot = ~std::size_t{0};
std::atomic<std::size_t> g_contextSlot{kNoSlot};

} // namespace

void InitImageDecoders() {
    g_decoderCount.store(0, std::memory_order_release);
    if (g_contextSlot.load(std::memory_order_acquire) == kNoSlot) {
        g_contextSlot.store(core::RegisterThreadSlot(kContextSlotSize), std::memory_order_release);
    }
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
    const std::size_t slot = g_contextSlot.load(std::memory_order_acquire);
    return slot == kNoSlot ? nullptr : static_cast<ImageDecoderContext*>(core::ThreadSlot(slot));
}

} // namespace sondrel::controls
