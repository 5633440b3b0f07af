#include "runtime/core/BlockPool.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <map>
#include <new>
#include <utility>

#include "runtime/core/Block.h"

namespace sondrel::core {

// A chunk's header, followed by its blocks. Each block starts with a word
// pointing back at its chunk, then the record; a returned record's first word
// links the chunk's chain of returned records.
struct BlockPool::Chunk {
    Chunk* next;
    Chunk* prev;
    void* returned;
    std::size_t capacity;
    std::size_t carved;
    std::size_t returnedCount;
    BlockPool* owner;

    bool full() const { return returnedCount == 0 && carved == capacity; }
    unsigned char* blocks() { return reinterpret_cast<unsigned char*>(this) + sizeof(Chunk); }
};

namespace {

constexpr std::size_t kHeaderWord = sizeof(void*);
constexpr std::size_t kRecordAlignment = 8;

void* loadWord(const void* at) {
    void* word = nullptr;
    std::memcpy(&word, at, sizeof word);
    return word;
}

void storeWord(void* at, const void* word) {
    std::memcpy(at, &word, sizeof word);
}

} // namespace

BlockPool::BlockPool(std::size_t recordSize, std::size_t smallestChunk, std::size_t largestChunk,
                     int flags)
    : m_recordSize(recordSize), m_blockSize(blockSizeFor(recordSize)),
      m_smallest(std::max<std::size_t>(smallestChunk, 1)),
      m_largest(std::max<std::size_t>(largestChunk, 1)), m_flags(flags & ~kPoolShared),
      m_shared((flags & kPoolShared) != 0) {}

std::size_t BlockPool::blockSizeFor(std::size_t recordSize) {
    const std::size_t rounded = (std::max<std::size_t>(recordSize, 1) + kRecordAlignment - 1) /
                                kRecordAlignment * kRecordAlignment;
    return rounded + kHeaderWord;
}

BlockPool::~BlockPool() {
    for (Chunk* head : {m_full, m_room}) {
        while (head != nullptr) {
            Chunk* next = head->next;
            BlockFree(head);
            head = next;
        }
    }
}

BlockPool::Guard BlockPool::guard() {
    return (m_flags & kPoolWithoutLock) != 0 ? Guard(m_lock, std::defer_lock) : Guard(m_lock);
}

std::size_t BlockPool::totalBlocks() {
    const Guard held = guard();
    return m_total;
}

std::size_t BlockPool::chunkCount() {
    const Guard held = guard();
    std::size_t count = 0;
    for (Chunk* head : {m_full, m_room}) {
        for (; head != nullptr; head = head->next) {
            ++count;
        }
    }
    return count;
}

void BlockPool::link(Chunk*& head, Chunk* chunk) {
    chunk->prev = nullptr;
    chunk->next = head;
    if (head != nullptr) {
        head->prev = chunk;
    }
    head = chunk;
}

void BlockPool::unlink(Chunk*& head, Chunk* chunk) {
    if (chunk->prev != nullptr) {
        chunk->prev->next = chunk->next;
    } else {
        head = chunk->next;
    }
    if (chunk->next != nullptr) {
        chunk->next->prev = chunk->prev;
    }
    chunk->next = chunk->prev = nullptr;
}

std::size_t BlockPool::nextCapacity() const {
    const std::size_t sixteenth = m_total / 16 / 16 * 16;
    return std::min(std::max(sixteenth, m_smallest), m_largest);
}

BlockPool::Chunk* BlockPool::newChunk() {
    static_assert(sizeof(Chunk) % kRecordAlignment == 0, "blocks follow the header, 8-aligned");
    for (const std::size_t capacity : {nextCapacity(), std::size_t{1}}) {
        if (capacity > (SIZE_MAX - sizeof(Chunk)) / m_blockSize) {
            continue;
        }
        auto* chunk = static_cast<Chunk*>(BlockAlloc(sizeof(Chunk) + capacity * m_blockSize));
        if (chunk != nullptr) {
            chunk->capacity = capacity;
            chunk->owner = this;
            m_total += capacity;
            return chunk;
        }
    }
    return nullptr;
}

void* BlockPool::carve(Chunk* chunk) {
    unsigned char* block = chunk->blocks() + chunk->carved++ * m_blockSize;
    storeWord(block, chunk);
    return block + kHeaderWord;
}

void* BlockPool::take() {
    const Guard held = guard();
    Chunk* chunk = m_room;
    void* record = nullptr;
    if (chunk != nullptr) {
        if (chunk->returned != nullptr) {
            record = chunk->returned;
            chunk->returned = loadWord(record);
            --chunk->returnedCount;
        } else {
            record = carve(chunk);
        }
        if (chunk->full()) {
            unlink(m_room, chunk);
            link(m_full, chunk);
        }
        return record;
    }
    chunk = newChunk();
    if (chunk == nullptr) {
        return nullptr;
    }
    record = carve(chunk);
    link(chunk->full() ? m_full : m_room, chunk);
    return record;
}

void BlockPool::giveBack(void* record) {
    if (record == nullptr) {
        return;
    }
    const Guard held = guard();
    auto* chunk = static_cast<Chunk*>(loadWord(static_cast<unsigned char*>(record) - kHeaderWord));
    assert(chunk->owner == this && "block returned to a pool it was not taken from");
    if (chunk->owner != this) {
        return;
    }
    const bool wasFull = chunk->full();
    storeWord(record, chunk->returned);
    chunk->returned = record;
    ++chunk->returnedCount;
    if (chunk->returnedCount == chunk->carved) {
        unlink(wasFull ? m_full : m_room, chunk);
        m_total -= chunk->capacity;
        BlockFree(chunk);
    } else if (wasFull) {
        unlink(m_full, chunk);
        link(m_room, chunk);
    }
}

namespace {

// Pools made with kPoolShared, by block size and flags, with their users.
class SharedPools {
public:
    BlockPool* acquire(std::size_t recordSize, std::size_t smallest, std::size_t largest, int flags,
                       BlockPool* (*make)(std::size_t, std::size_t, std::size_t, int)) {
        std::lock_guard guard(m_lock);
        const Key key{BlockPool::blockSizeFor(recordSize), flags & ~kPoolShared};
        if (const auto found = m_pools.find(key); found != m_pools.end()) {
            ++found->second.users;
            return found->second.pool;
        }
        BlockPool* pool = make(recordSize, smallest, largest, flags);
        if (pool != nullptr) {
            m_pools.emplace(key, Entry{pool, 1});
        }
        return pool;
    }

    // True when `pool` had its last user and is to be freed.
    bool release(BlockPool* pool) {
        std::lock_guard guard(m_lock);
        const auto found = m_pools.find(Key{pool->blockSize(), pool->flags()});
        if (found == m_pools.end() || found->second.pool != pool) {
            return false;
        }
        if (--found->second.users > 0) {
            return false;
        }
        m_pools.erase(found);
        return true;
    }

private:
    using Key = std::pair<std::size_t, int>;
    struct Entry {
        BlockPool* pool;
        std::size_t users;
    };
    std::recursive_mutex m_lock;
    std::map<Key, Entry> m_pools;
};

SharedPools& sharedPools() {
    // Never destroyed: lists kept in statics give up their pools during exit.
    static SharedPools* const pools = std::make_unique<SharedPools>().release();
    return *pools;
}

} // namespace

void BlockPoolReleaser::operator()(BlockPool* pool) const {
    ReleaseBlockPool(pool);
}

BlockPoolPtr CreateBlockPool(std::size_t recordSize, std::size_t smallestChunk,
                             std::size_t largestChunk, int flags) {
    static constexpr auto make = [](std::size_t size, std::size_t smallest, std::size_t largest,
                                    int poolFlags) -> BlockPool* {
        try {
            return std::make_unique<BlockPool>(size, smallest, largest, poolFlags).release();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    };
    if ((flags & kPoolShared) == 0) {
        return BlockPoolPtr(make(recordSize, smallestChunk, largestChunk, flags));
    }
    try {
        return BlockPoolPtr(
            sharedPools().acquire(recordSize, smallestChunk, largestChunk, flags, +make));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* TakePoolBlock(BlockPool* pool) {
    return pool == nullptr ? nullptr : pool->take();
}

void* TakeZeroedPoolBlock(BlockPool* pool) {
    void* record = TakePoolBlock(pool);
    if (record != nullptr) {
        std::memset(record, 0, pool->blockSize() - kHeaderWord);
    }
    return record;
}

void ReturnPoolBlock(BlockPool* pool, void* record) {
    if (pool != nullptr) {
        pool->giveBack(record);
    }
}

void ReleaseBlockPool(BlockPool* pool) {
    if (pool == nullptr || (pool->shared() && !sharedPools().release(pool))) {
        return;
    }
    const std::unique_ptr<BlockPool> doomed(pool);
}

} // namespace sondrel::core
