#include "runtime/core/Block.h"

#include <cstdlib>
#include <cstring>

namespace sondrel::core {
namespace {

// The header keeps the block's size in its last word, right in front of the
// address handed out; it is as large as malloc's alignment so blocks keep it.
constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(std::size_t));

unsigned char* headerOf(const void* block) {
    return static_cast<unsigned char*>(const_cast<void*>(block)) - kHeader;
}

void storeSize(unsigned char* header, std::size_t size) {
    std::memcpy(header + kHeader - sizeof size, &size, sizeof size);
}

void* fromHeader(void* header, std::size_t size) {
    if (header == nullptr) {
        return nullptr;
    }
    auto* bytes = static_cast<unsigned char*>(header);
    storeSize(bytes, size);
    return bytes + kHeader;
}

bool tooLarge(std::size_t size) {
    return size > SIZE_MAX - kHeader;
}

} // namespace

void* BlockAlloc(std::size_t size) {
    return tooLarge(size) ? nullptr : fromHeader(std::calloc(1, size + kHeader), size);
}

void* BlockAllocRaw(std::size_t size) {
    return tooLarge(size) ? nullptr : fromHeader(std::malloc(size + kHeader), size);
}

void* BlockResize(void* block, std::size_t newSize) {
    if (block == nullptr || tooLarge(newSize)) {
        return nullptr;
    }
    const std::size_t oldSize = BlockSize(block);
    void* header = std::realloc(headerOf(block), newSize + kHeader);
    if (header == nullptr) {
        return nullptr;
    }
    void* resized = fromHeader(header, newSize);
    if (newSize > oldSize) {
        std::memset(static_cast<unsigned char*>(resized) + oldSize, 0, newSize - oldSize);
    }
    return resized;
}

void BlockFree(void* block) {
    if (block != nullptr) {
        std::free(headerOf(block));
    }
}

std::size_t BlockSize(const void* block) {
    if (block == nullptr) {
        return 0;
    }
    std::size_t size = 0;
    std::memcpy(&size, headerOf(block) + kHeader - sizeof size, sizeof size);
    return size;
}

} // namespace sondrel::core
