#include "runtime/core/ThreadSlot.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/core/Text.h"

namespace sondrel::core {
namespace {

std::atomic<int> gSetUps{0};
std::atomic<int> gReleases{0};

void setUp(void* slot) {
    ++gSetUps;
    EXPECT_EQ(*static_cast<std::int64_t*>(slot), 0); // zero-filled before set-up
    static_cast<std::int64_t*>(slot)[1] = 7;
}

void release(void* slot) {
    EXPECT_EQ(static_cast<std::int64_t*>(slot)[1], 7);
    ++gReleases;
}

TEST(ThreadSlot, EachThreadGetsItsOwnSetUpSlot) {
    const std::size_t offset = RegisterThreadSlot(12, &setUp, &release);
    EXPECT_EQ(offset % 8, 0u);
    EXPECT_EQ(gSetUps, 1); // at once, for the registering thread
    auto* mine = static_cast<std::int64_t*>(ThreadSlot(offset));
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine[1], 7);
    mine[0] = 42;
    std::thread([offset] {
        auto* theirs = static_cast<std::int64_t*>(ThreadSlot(offset));
        ASSERT_NE(theirs, nullptr);
        EXPECT_EQ(theirs[0], 0);
        EXPECT_EQ(theirs[1], 7);
        EXPECT_EQ(ThreadSlot(offset), theirs); // set up once per thread
    }).join();
    EXPECT_EQ(gSetUps, 2);
    EXPECT_EQ(gReleases, 1); // when the thread ended
    EXPECT_EQ(mine[0], 42);
    std::thread([] {}).join(); // a thread that never used the slots: nothing to do
    EXPECT_EQ(gSetUps, 2);
}

TEST(ThreadSlot, LaterRegistrationsReachThreadsThatHaveBlocks) {
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
    second = RegisterThreadSlot(4096, &setUp, &release);
    step = 2;
    worker.join();
    EXPECT_EQ(gReleases, 1);
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
