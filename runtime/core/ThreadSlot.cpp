#include "runtime/core/ThreadSlot.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <pthread.h>

#include "runtime/core/Block.h"

namespace sondrel::core {
namespace {

struct Registration {
    std::size_t offset;
    SlotProcedure setUp;
    SlotProcedure release;
};

// One thread's slots, stored under the thread-specific key.
struct ThreadBlock {
    BlockPtr bytes;
    std::size_t setUpCount = 0; // registrations whose set-up ran for this thread
};

void endThreadBlock(void* value);

class SlotTable {
public:
    SlotTable() { pthread_key_create(&m_key, &endThreadBlock); }

    pthread_key_t key() const { return m_key; }

    // Number of registrations so far; a thread whose block has set them all up
    // can use it without taking the lock.
    std::size_t generation() const { return m_generation.load(std::memory_order_acquire); }

    std::size_t add(std::size_t size, SlotProcedure setUp, SlotProcedure release) {
        std::lock_guard guard(m_lock);
        const std::size_t offset = m_total;
        m_registrations.push_back({offset, setUp, release});
        m_total += size;
        m_generation.store(m_registrations.size(), std::memory_order_release);
        return offset;
    }

    // The total size and the registrations from index `first` on.
    std::size_t snapshot(std::size_t first, std::vector<Registration>& out) {
        std::lock_guard guard(m_lock);
        out.assign(m_registrations.begin() + static_cast<std::ptrdiff_t>(first),
                   m_registrations.end());
        return m_total;
    }

private:
    std::mutex m_lock;
    std::vector<Registration> m_registrations;
    std::size_t m_total = 0;
    std::atomic<std::size_t> m_generation{0};
    pthread_key_t m_key{};
};

SlotTable& slotTable() {
    // Never destroyed: threads may still end, and release their blocks, while
    // the process runs its static destructors.
    static SlotTable* const table = std::make_unique<SlotTable>().release();
    return *table;
}

ThreadBlock* currentBlock() {
    return static_cast<ThreadBlock*>(pthread_getspecific(slotTable().key()));
}

// Brings the calling thread's block up to date with every registration: makes
// it, grows it and runs the set-up procedures not yet run here.
ThreadBlock* refreshBlock() {
    ThreadBlock* block = currentBlock();
    const std::size_t done = block == nullptr ? 0 : block->setUpCount;
    std::vector<Registration> pending;
    std::size_t total = 0;
    try {
        total = slotTable().snapshot(done, pending);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (block == nullptr) {
        std::unique_ptr<ThreadBlock> made;
        try {
            made = std::make_unique<ThreadBlock>();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        made->bytes.reset(BlockAlloc(total));
        if (made->bytes == nullptr) {
            return nullptr;
        }
        block = made.release();
        pthread_setspecific(slotTable().key(), block);
    } else if (BlockSize(block->bytes.get()) < total) {
        void* grown = BlockResize(block->bytes.get(), total);
        if (grown == nullptr) {
            return nullptr;
        }
        static_cast<void>(block->bytes.release());
        block->bytes.reset(grown);
    }
    // Counted first, so that a set-up procedure may use ThreadSlot itself.
    block->setUpCount = done + pending.size();
    for (auto entry = pending.rbegin(); entry != pending.rend(); ++entry) {
        if (entry->setUp != nullptr) {
            entry->setUp(static_cast<unsigned char*>(block->bytes.get()) + entry->offset);
        }
    }
    return block;
}

// The key's destructor: runs when a thread that used its slots ends.
void endThreadBlock(void* value) {
    const std::unique_ptr<ThreadBlock> block(static_cast<ThreadBlock*>(value));
    // Visible again while the release procedures run, which may use their slots.
    pthread_setspecific(slotTable().key(), block.get());
    std::vector<Registration> registrations;
    try {
        slotTable().snapshot(0, registrations);
    } catch (const std::bad_alloc&) {
        registrations.clear();
    }
    registrations.resize(std::min(registrations.size(), block->setUpCount));
    for (auto entry = registrations.rbegin(); entry != registrations.rend(); ++entry) {
        if (entry->release != nullptr) {
            entry->release(static_cast<unsigned char*>(block->bytes.get()) + entry->offset);
        }
    }
    pthread_setspecific(slotTable().key(), nullptr);
}

} // namespace

std::size_t RegisterThreadSlot(std::size_t size, SlotProcedure setUp, SlotProcedure release) {
    const std::size_t rounded = (size + 7) / 8 * 8;
    const std::size_t offset = slotTable().add(rounded, setUp, release);
    refreshBlock();
    return offset;
}

void* ThreadSlot(std::size_t offset) {
    ThreadBlock* block = currentBlock();
    if (block == nullptr || block->setUpCount != slotTable().generation()) {
        block = refreshBlock();
        if (block == nullptr) {
            return nullptr;
        }
    }
    return static_cast<unsigned char*>(block->bytes.get()) + offset;
}

} // namespace sondrel::core
