#pragma once

// NSAutoreleasePool: [[NSAutoreleasePool alloc] init] pushes a pool on the calling thread and
// `drain` or `release` pops it (with every pool pushed after it). A pool belongs to the thread
// that made it: released from another thread it does nothing. Retaining or autoreleasing a pool
// does nothing either.

#include <cstddef>
#include <thread>

#include "platform/objc/Object.h"

namespace sondrel::objc {

class NSAutoreleasePoolObject : public Object {
public:
    using Object::Object;

    std::size_t level = 0;
    std::thread::id thread;
};

// A new pool on the calling thread, as [[NSAutoreleasePool alloc] init] makes it.
id newAutoreleasePool();

} // namespace sondrel::objc
