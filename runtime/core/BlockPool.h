#pragma once

// Block pools: many small records of one size (list nodes, queued events)
// taken and returned in constant time.
//
// Blocks are carved from chunks; a new chunk holds one sixteenth of the pool's
// blocks (in multiples of 16), but at least the pool's smallest and at most its
// largest chunk size, so big pools make few allocations. A chunk is freed as
// soon as all its blocks are back. Records are aligned to 8 bytes. A block
// taken again keeps its old contents apart from its first word, unless taken
// with TakeZeroedPoolBlock.
//
// A pool has its own recursive mutex unless made with kPoolWithoutLock; then
// one thread at a time may use it. With kPoolShared, pools of the same block
// size and flags are one pool counted by its users: each CreateBlockPool is
// matched by one ReleaseBlockPool (BlockPoolPtr does it).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace sondrel::core {

enum BlockPoolFlags : int {
    kPoolWithoutLock = 2,
    kPoolShared = 4,
};

class BlockPool {
public:
    BlockPool(std::size_t recordSize, std::size_t smallestChunk, std::size_t largestChunk,
              int flags);
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;
    // Frees every chunk, including blocks not returned.
    ~BlockPool();

    void* take();
    void giveBack(void* record);

    std::size_t recordSize() const { return m_recordSize; }
    std::size_t blockSize() const { return m_blockSize; }
    // Flags without kPoolShared; shared() tells whether the pool is shared.
    int flags() const { return m_flags; }
    bool shared() const { return m_shared; }
    // Record size rounded up to 8, plus the header word.
    static std::size_t blockSizeFor(std::size_t recordSize);
    // Blocks in all chunks (taken or not) and the number of chunks.
    std::size_t totalBlocks();
    std::size_t chunkCount();

private:
    struct Chunk;
    using Guard = std::unique_lock<std::recursive_mutex>;

    Guard guard();
    Chunk* newChunk();
    std::size_t nextCapacity() const;
    void* carve(Chunk* chunk);
    static void link(Chunk*& head, Chunk* chunk);
    static void unlink(Chunk*& head, Chunk* chunk);

    std::size_t m_recordSize;
    std::size_t m_blockSize;
    std::size_t m_smallest;
    std::size_t m_largest;
    int m_flags;
    bool m_shared;
    Chunk* m_full = nullptr;
    Chunk* m_room = nullptr;
    std::size_t m_total = 0;
    std::recursive_mutex m_lock;
};

struct BlockPoolReleaser {
    void operator()(BlockPool* pool) const;
};
// Owns one use of a pool.
using BlockPoolPtr = std::unique_ptr<BlockPool, BlockPoolReleaser>;

// A pool for records of `recordSize` bytes; null when memory is exhausted.
BlockPoolPtr CreateBlockPool(std::size_t recordSize, std::size_t smallestChunk,
                             std::size_t largestChunk, int flags = 0);

// A block of the pool's record size, or null when memory is exhausted.
void* TakePoolBlock(BlockPool* pool);
void* TakeZeroedPoolBlock(BlockPool* pool);

// Gives a block taken from `pool` back; null is ignored.
void ReturnPoolBlock(BlockPool* pool, void* record);

// Gives up one use of the pool; the last use frees it. Null is ignored.
void ReleaseBlockPool(BlockPool* pool);

} // namespace sondrel::core
