#include "platform/objc/AutoreleasePool.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/objc/Messaging.h"
#include "platform/objc/NSAutoreleasePool.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

id newObject() {
    return send<id>(lookUpClass("NSObject"), "new"_sel);
}

TEST(AutoreleasePool, PopReleasesWhatWasAutoreleased) {
    id kept = newObject();
    id dropped = newObject();
    {
        AutoreleasePool pool;
        retain(kept);
        EXPECT_EQ(autorelease(kept), kept);
        autorelease(dropped);
        EXPECT_TRUE(isLiveObject(dropped));
    }
    EXPECT_FALSE(isLiveObject(dropped));
    ASSERT_TRUE(isLiveObject(kept));
    EXPECT_EQ(send<NSUInteger>(kept, "retainCount"_sel), 1u);
    release(kept);
}

TEST(AutoreleasePool, PoppingAnOuterPoolDrainsTheInnerOnes) {
    const std::size_t outer = pushAutoreleasePool();
    const std::size_t inner = pushAutoreleasePool();
    EXPECT_EQ(inner, outer + 1);
    EXPECT_EQ(autoreleasePoolDepth(), inner);
    id object = autorelease(newObject());
    popAutoreleasePool(outer);
    EXPECT_FALSE(isLiveObject(object));
    EXPECT_EQ(autoreleasePoolDepth(), outer - 1);
    popAutoreleasePool(inner); // already gone: nothing happens
    EXPECT_EQ(autoreleasePoolDepth(), outer - 1);
}

TEST(AutoreleasePool, PoolsBelongToTheirThread) {
    AutoreleasePool mine;
    id object = newObject();
    std::thread other([object] {
        AutoreleasePool theirs;
        autorelease(object);
    });
    other.join();
    EXPECT_FALSE(isLiveObject(object)); // drained by the other thread's pool, not by mine

    // Without any pool the object lives until its thread ends.
    id late = nullptr;
    bool aliveInside = false;
    std::thread bare([&] {
        late = autorelease(newObject());
        aliveInside = isLiveObject(late);
    });
    bare.join();
    EXPECT_TRUE(aliveInside);
    EXPECT_FALSE(isLiveObject(late));
}

TEST(AutoreleasePool, NativePoolObjectsNestAndIgnoreOtherThreads) {
    const std::size_t depth = autoreleasePoolDepth();
    id outer = newAutoreleasePool();
    id inner = newAutoreleasePool();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(autoreleasePoolDepth(), depth + 2);
    id text = autoreleasedNativeString(u"pooled");

    // Released from a thread that did not make it, a pool does nothing.
    std::thread([inner] { release(inner); }).join();
    EXPECT_TRUE(isLiveObject(inner));
    EXPECT_TRUE(isLiveObject(text));

    // Retain and autorelease do not affect a pool; releasing the outer one takes the inner one.
    EXPECT_EQ(retain(outer), outer);
    release(outer);
    EXPECT_FALSE(isLiveObject(text));
    EXPECT_FALSE(isLiveObject(inner));
    EXPECT_FALSE(isLiveObject(outer));
    EXPECT_EQ(autoreleasePoolDepth(), depth);

    // A pool made by the class method "new" drains with "drain".
    id pool = send<id>(lookUpClass("NSAutoreleasePool"), "new"_sel);
    id object = autorelease(newObject());
    send(pool, "drain"_sel);
    EXPECT_FALSE(isLiveObject(object));
    EXPECT_FALSE(isLiveObject(pool));
}

} // namespace
} // namespace sondrel::objc
