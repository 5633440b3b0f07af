#pragma once

// Per-thread slots: each runtime library keeps its per-thread state (the
// preference file in use, the window being built...) in a slot of one block
// per thread.
//
// A library registers its slot once, at start-up, and gets the slot's offset;
// ThreadSlot(offset) then gives the calling thread's slot memory, zero-filled
// and set up on the thread's first use. When a thread ends, the release
// procedures run for its block (newest registration first) and the block is
// freed. The main thread's block lives until the process ends.
//
// Slot memory is raw bytes, aligned to 8 and moved bytewise when a later
// registration grows the thread's block: keep plain values and pointers in it
// (PerThread<T> below keeps any type), and do not keep a slot's address across
// a RegisterThreadSlot call. No lock is needed: a thread sees only its block.

#include <cstddef>
#include <memory>

namespace sondrel::core {

// Called with the slot's memory of one thread.
using SlotProcedure = void (*)(void* slot);

// Registers a slot of `size` bytes (rounded up to 8; 0 registers only the
// procedures) and returns its offset. The set-up procedure runs at once for
// the calling thread and on each other thread's first use of its block.
std::size_t RegisterThreadSlot(std::size_t size, SlotProcedure setUp = nullptr,
                               SlotProcedure release = nullptr);

// The calling thread's memory for the slot at `offset`, or null when the
// thread's block cannot be allocated.
void* ThreadSlot(std::size_t offset);

// A per-thread value of any type, made with T{} on each thread's first use
// and destroyed when that thread ends. Create it once (a function-local
// static), before the threads that use it need it.
template <typename T> class PerThread {
public:
    PerThread() : m_offset(RegisterThreadSlot(sizeof(T*), &make, &destroy)) {}
    PerThread(const PerThread&) = delete;
    PerThread& operator=(const PerThread&) = delete;

    // The calling thread's value, or null when memory is exhausted.
    T* get() const {
        void* slot = ThreadSlot(m_offset);
        return slot == nullptr ? nullptr : *static_cast<T**>(slot);
    }

private:
    static void make(void* slot) { *static_cast<T**>(slot) = std::make_unique<T>().release(); }
    static void destroy(void* slot) {
        const std::unique_ptr<T> value(*static_cast<T**>(slot));
        *static_cast<T**>(slot) = nullptr;
    }

    std::size_t m_offset;
};

} // namespace sondrel::core
