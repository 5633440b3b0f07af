#include "runtime/core/ThreadSlot.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/core/Text.h"

namespace sondrel::core {
namespace {

// Procedures counting their calls, one set per test (registrations are
// permanent, and every later thread of the process runs them).
template <int Tag> struct Counted {
    static inline std::atomic<int> setUps{0};
    static inline std::atomic<int> releases{0};

    static void setUp(void* slot) {
        ++setUps;
        EXPECT_EQ(*static_cast<std::int64_t*>(slot), 0); // zero-filled before set-up
        static_cast<std::int64_t*>(slot)[1] = 7;
    }
    static void release(void* slot) {
        EXPECT_EQ(static_cast<std::int64_t*>(slot)[1], 7);
        ++releases;
    }
};

TEST(ThreadSlot, EachThreadGetsItsOwnSetUpSlot) {
    using C = Counted<1>;
    static const std::size_t offset = RegisterThreadSlot(12, &C::setUp, &C::release);
    EXPECT_EQ(offset % 8, 0u);
    EXPECT_GE(C::setUps, 1); // at once, for the registering thread
    const int setUps = C::setUps;
    const int releases = C::releases;
    auto* mine = static_cast<std::int64_t*>(ThreadSlot(offset));
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine[1], 7);
    mine[0] = 42;
    std::thread([] {
        auto* theirs = static_cast<std::int64_t*>(ThreadSlot(offset));
        ASSERT_NE(theirs, nullptr);
        EXPECT_EQ(theirs[0], 0);
        EXPECT_EQ(theirs[1], 7);
        EXPECT_EQ(ThreadSlot(offset), theirs); // set up once per thread
    }).join();
    EXPECT_EQ(C::setUps, setUps + 1);
    EXPECT_EQ(C::releases, releases + 1); // when the thread ended
    EXPECT_EQ(mine[0], 42);
    std::thread([] {}).join(); // a thread that never used the slots: nothing to do
    EXPECT_EQ(C::setUps, setUps + 1);
}

TEST(ThreadSlot, LaterRegistrationsReachThreadsThatHaveBlocks) {
    using C = Counted<2>;
    const std::size_t first = RegisterThreadSlot(8);
    std::atomic<int> step{0};
    std::size_t second = 0;
    std::thread worker([&] {
        *static_cast<std::int64_t*>(ThreadSlot(first)) = 99;
        step = 1;
        while (step != 2) {
            std::this_thread::yield();
        }
        // The block predates the registration: it grows, keeping what it held.
        auto* late = static_cast<std::int64_t*>(ThreadSlot(second));
        ASSERT_NE(late, nullptr);
        EXPECT_EQ(late[1], 7);
        EXPECT_EQ(*static_cast<std::int64_t*>(ThreadSlot(first)), 99);
    });
    while (step != 1) {
        std::this_thread::yield();
    }
    second = RegisterThreadSlot(4096, &C::setUp, &C::release);
    step = 2;
    worker.join();
}

TEST(ThreadSlot, PerThreadValuesAreMadeAndDestroyedPerThread) {
    static PerThread<Text> names;
    *names.get() = u"main";
    std::thread([] {
        EXPECT_TRUE(names.get()->empty());
        *names.get() = u"a long text that does not fit in the small buffer of a string";
    }).join(); // destroyed with the thread (the leak checker would see it otherwise)
    EXPECT_EQ(*names.get(), u"main");
}

} // namespace
} // namespace sondrel::core
