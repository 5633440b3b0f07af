#include "platform/objc/AutoreleasePool.h"

#include <utility>
#include <vector>

#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

struct Pool {
    std::vector<id> objects;
    id owner = nullptr;
};

void drain(Pool& pool) {
    // Releasing may autorelease more objects into this same pool; keep going until it is empty.
    while (!pool.objects.empty()) {
        std::vector<id> batch;
        batch.swap(pool.objects);
        for (id object : batch) {
            release(object);
        }
    }
}

// The pools of one thread: pools[0] is the bottom pool, drained at thread end.
class PoolStack {
public:
    PoolStack() : m_pools(1) {}
    ~PoolStack() {
        popTo(1, false);
        drain(m_pools.front());
    }
    PoolStack(const PoolStack&) = delete;
    PoolStack& operator=(const PoolStack&) = delete;

    std::size_t push(id owner) {
        m_pools.push_back(Pool{{}, owner});
        return m_pools.size() - 1;
    }

    void pop(std::size_t level) {
        if (level == 0 || level >= m_pools.size()) {
            return;
        }
        popTo(level, true);
    }

    std::vector<id> take(std::size_t level) {
        if (level == 0 || level >= m_pools.size()) {
            return {};
        }
        popTo(level + 1, false);
        std::vector<id> objects = std::move(m_pools.back().objects);
        if (id owner = m_pools.back().owner) {
            destroyObject(owner);
        }
        m_pools.pop_back();
        return objects;
    }

    std::size_t depth() const { return m_pools.size() - 1; }
    void add(id object) { m_pools.back().objects.push_back(object); }

private:
    void popTo(std::size_t level, bool keepOwnerAtLevel) {
        while (m_pools.size() > level) {
            drain(m_pools.back());
            // The draining may have pushed and left pools; only pop once the top is empty.
            if (!m_pools.back().objects.empty()) {
                continue;
            }
            const std::size_t topLevel = m_pools.size() - 1;
            id owner = std::exchange(m_pools.back().owner, nullptr);
            m_pools.pop_back();
            if (owner != nullptr && !(keepOwnerAtLevel && topLevel == level)) {
                destroyObject(owner);
            }
        }
    }

    std::vector<Pool> m_pools;
};

PoolStack& threadPools() {
    thread_local PoolStack pools;
    return pools;
}

} // namespace

std::size_t pushAutoreleasePool(id owner) {
    return threadPools().push(owner);
}

void popAutoreleasePool(std::size_t level) {
    threadPools().pop(level);
}

std::vector<id> takeAutoreleasePool(std::size_t level) {
    return threadPools().take(level);
}

std::size_t autoreleasePoolDepth() {
    return threadPools().depth();
}

void addToAutoreleasePool(id object) {
    if (object != nullptr) {
        threadPools().add(object);
    }
}

} // namespace sondrel::objc
