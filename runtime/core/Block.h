#pragma once

// Size-carrying memory blocks: the raw memory the runtime allocates for itself
// (per-thread slot blocks, pool chunks, chain nodes).
//
// A block remembers the size it was asked for, so it can be resized and freed
// from its address alone. Addresses are aligned for any fundamental type.
// Every operation reports exhausted memory as a null result and never throws.

#include <cstddef>
#include <memory>

namespace sondrel::core {

// A zero-filled block of `size` bytes, or null when memory is exhausted.
void* BlockAlloc(std::size_t size);

// Like BlockAlloc, but the contents are undefined.
void* BlockAllocRaw(std::size_t size);

// Resizes the block (which may move); bytes beyond the old size are zero.
// Null stays null. On failure the result is null and `block` stays valid.
void* BlockResize(void* block, std::size_t newSize);

// Frees the block; null is ignored.
void BlockFree(void* block);

// The size the block was last allocated or resized to (0 for null).
std::size_t BlockSize(const void* block);

struct BlockDeleter {
    void operator()(void* block) const { BlockFree(block); }
};
// Owns one block.
using BlockPtr = std::unique_ptr<void, BlockDeleter>;

} // namespace sondrel::core
