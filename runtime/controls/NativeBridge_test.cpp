#include "runtime/controls/NativeBridge.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/core/Thread.h"

namespace sondrel::controls {
namespace {

objc::NSInteger twice(objc::id, objc::SEL, objc::NSInteger value) {
    return 2 * value;
}

TEST(NativeBridge, NarrowsTextsToTheirLowBytes) {
    const core::Text longText(300, u'x');
    const auto narrow = NarrowText(longText);
    EXPECT_EQ(std::strlen(narrow.get()), 255u);
    EXPECT_STREQ(NarrowText(u"NS\u0141Object").get(), "NSAObject"); // U+0141: low byte 0x41
    EXPECT_STREQ(NarrowText(u"").get(), "");
}

TEST(NativeBridge, ConvertsTextsAndNativeStrings) {
    const core::Text text = u"Complete! \u00e9\U0001F3B5";
    objc::id string = NewNativeString(text);
    EXPECT_EQ(RuntimeText(string), text);
    EXPECT_EQ(RuntimeText(nullptr), u"");
    EXPECT_EQ(RuntimeText(objc::lookUpClass("NSString")), u""); // a class is not a string
    objc::release(string);
    EXPECT_EQ(RuntimeText(string), u""); // stale
    {
        objc::AutoreleasePool pool;
        objc::id autoreleased = NativeString(u"pooled", 1);
        objc::id owned = NativeString(u"owned", 0x100); // low byte zero: not autoreleased
        EXPECT_EQ(objc::send<objc::NSUInteger>(owned, "retainCount"_sel), 1u);
        EXPECT_EQ(RuntimeText(autoreleased), u"pooled");
        objc::release(owned);
        EXPECT_FALSE(objc::isLiveObject(owned));
        string = autoreleased;
    }
    EXPECT_FALSE(objc::isLiveObject(string));
}

TEST(NativeBridge, BuildsClassesAtRunTime) {
    EXPECT_EQ(ClassExists(u"BridgeBuilt"), 0);
    objc::Class cls = AllocateClass(FindClass(u"NSObject"), u"BridgeBuilt");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(AllocateClass(FindClass(u"NSObject"), u"NSString"), nullptr);
    const objc::SEL twiceSel = FindSelector(u"twice:");
    EXPECT_EQ(twiceSel, objc::registerSelector("twice:"));
    EXPECT_EQ(AddClassMethod(cls, twiceSel, reinterpret_cast<objc::IMP>(&twice), u"q@:q"), 1);
    EXPECT_EQ(AddClassMethod(cls, twiceSel, reinterpret_cast<objc::IMP>(&twice), u"q@:q"), 0);
    EXPECT_EQ(AddClassMethod(cls, FindSelector(u"bad:"), reinterpret_cast<objc::IMP>(&twice),
                             u"q@:(x=i)"),
              0);
    EXPECT_EQ(ClassExists(u"BridgeBuilt"), 0);
    RegisterClass(cls);
    EXPECT_EQ(ClassExists(u"BridgeBuilt"), 1);
    EXPECT_EQ(FindClass(u"BridgeBuilt"), cls);
    const Word object = SendObjectMessage(nullptr, nullptr, "BridgeBuilt new");
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(object), "twice:", 21), 42u);
    EXPECT_EQ(ObjectClassName(reinterpret_cast<void*>(object)), u"BridgeBuilt");
    EXPECT_EQ(ObjectClassChain(cls), u"BridgeBuilt  -->  NSObject");
    EXPECT_EQ(ObjectClassChain(reinterpret_cast<void*>(object)), u"BridgeBuilt  -->  NSObject");
    ReleaseNative(reinterpret_cast<void*>(object));
}

TEST(NativeBridge, DescribesObjectsAndClasses) {
    EXPECT_EQ(ObjectClassChain(FindClass(u"NSObject")), u"NSObject");
    EXPECT_EQ(ObjectClassChain(FindClass(u"NSAttributedString")),
              u"NSAttributedString  -->  NSObject");
    EXPECT_EQ(ObjectClassChain(FindClass(u"NSButton")),
              u"NSButton  -->  NSControl  -->  NSView  -->  NSResponder  -->  NSObject");
    EXPECT_EQ(ObjectClassChain(nullptr), u"");
    objc::id string = NewNativeString(u"text");
    EXPECT_EQ(ObjectClassName(string), u"NSString");
    EXPECT_EQ(ObjectDescription(string), u"text");
    EXPECT_EQ(ObjectClassName(FindClass(u"NSColor")), u"NSColor");
    EXPECT_EQ(ObjectDescription(FindClass(u"NSColor")), u"NSColor");
    objc::release(string);
    EXPECT_EQ(ObjectClassName(string), u"");
    std::uint64_t madeUp[2] = {};
    EXPECT_EQ(ObjectDescription(madeUp), u"");
    EXPECT_EQ(ObjectClassChain(madeUp), u"");
}

TEST(NativeBridge, CountsReferencesAndMakesPools) {
    objc::id object = objc::send<objc::id>(FindClass(u"NSObject"), "new"_sel);
    EXPECT_EQ(RetainNative(object), reinterpret_cast<std::uint64_t>(object));
    EXPECT_EQ(ReleaseNative(object), 0u);
    EXPECT_TRUE(objc::isLiveObject(object));
    const std::size_t depth = objc::autoreleasePoolDepth();
    objc::id pool = NewAutoreleasePool();
    EXPECT_EQ(objc::autoreleasePoolDepth(), depth + 1);
    EXPECT_EQ(AutoreleaseNative(object), reinterpret_cast<std::uint64_t>(object));
    ReleaseNative(pool);
    EXPECT_EQ(objc::autoreleasePoolDepth(), depth);
    EXPECT_FALSE(objc::isLiveObject(object));
    EXPECT_EQ(RetainNative(object), 0u);
}

TEST(NativeBridge, RuntimeThreadsRunInsideAPool) {
    InitNativeBridge();
    InitNativeBridge();
    struct Seen {
        std::size_t depth = 0;
        objc::id object = nullptr;
    } seen;
    const core::ThreadHandle thread = core::StartThread([&seen] {
        seen.depth = objc::autoreleasePoolDepth();
        seen.object = NativeString(u"made by the thread", 1);
    });
    ASSERT_NE(thread, 0u);
    for (int i = 0; i < 2000 && core::IsThreadRunning(thread); ++i) {
        core::SleepMilliseconds(1);
    }
    ASSERT_FALSE(core::IsThreadRunning(thread));
    EXPECT_EQ(seen.depth, 1u);
    EXPECT_FALSE(objc::isLiveObject(seen.object)); // drained when the procedure returned
}

} // namespace
} // namespace sondrel::controls
