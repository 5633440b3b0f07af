#pragma once

// Per-thread autorelease pools. Each thread has its own stack of pools; `autorelease` puts an
// object into the innermost pool of the calling thread, and popping a pool sends `release` to
// everything it holds (objects autoreleased while it drains go into it too and are released as
// well). Popping a pool also pops every pool pushed after it on that thread.
//
// An object autoreleased while its thread has no pool is kept in the thread's bottom pool,
// which is drained when the thread ends: nothing leaks, but it lives long, so threads that make
// objects should push a pool (the runtime's thread wrapper and event wait do).

#include <cstddef>
#include <vector>

#include "platform/objc/Object.h"

namespace sondrel::objc {

// Pushes a pool on the calling thread and returns its level (1 for the outermost). `owner`,
// when given, is a pool object deallocated if an outer pool's pop takes this one with it.
std::size_t pushAutoreleasePool(id owner = nullptr);
// Drains and removes the pool at `level` and all pools above it, on the calling thread. The
// owner objects of the pools above `level` are deallocated; the one at `level` is not.
void popAutoreleasePool(std::size_t level);
// Removes the pool at `level` (draining the pools above it first) without releasing what it
// holds: the caller gets those objects with the reference the pool held. A call carried to
// another thread uses it to hand what it autoreleased there to its sender's pool.
std::vector<id> takeAutoreleasePool(std::size_t level);
// The number of pools pushed on the calling thread.
std::size_t autoreleasePoolDepth();
// Adds the object to the calling thread's innermost pool (the bottom pool if none is pushed).
void addToAutoreleasePool(id object);

// RAII for C++ callers: a pool for the lifetime of the value.
class AutoreleasePool {
public:
    AutoreleasePool() : m_level(pushAutoreleasePool()) {}
    ~AutoreleasePool() { popAutoreleasePool(m_level); }
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

private:
    std::size_t m_level;
};

} // namespace sondrel::objc
