#include "platform/posix/CorePool.h"

#include <gtest/gtest.h>

namespace sondrel::posix {
namespace {

TEST(CorePool, CoresGivenAreTakenOnceAndThePoolGoesWithItsCreator) {
    std::string name;
    {
        const std::unique_ptr<CorePool> pool = CorePool::create();
        ASSERT_TRUE(pool);
        name = pool->name();
        EXPECT_EQ(name.front(), '/');
        EXPECT_NE(CorePool::create()->name(), name); // every pool its own
        const std::unique_ptr<CorePool> other = CorePool::open(name);
        ASSERT_TRUE(other);
        EXPECT_FALSE(other->tryTake()); // a new pool is empty
        pool->give();
        pool->give();
        EXPECT_EQ(other->available(), 2);
        EXPECT_TRUE(other->tryTake());
        EXPECT_TRUE(other->tryTake());
        EXPECT_FALSE(other->tryTake());
        other->give(); // given back, as a converter does
        EXPECT_EQ(pool->available(), 1);
    }
    EXPECT_FALSE(CorePool::open(name));
    EXPECT_FALSE(CorePool::open("/sondrel-cores-none"));
}

} // namespace
} // namespace sondrel::posix
