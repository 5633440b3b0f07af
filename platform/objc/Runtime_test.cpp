#include "platform/objc/Runtime.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::objc {
namespace {

std::int64_t deallocCount = 0;

NSInteger answer(id, SEL) {
    return 42;
}
NSInteger doubled(id, SEL) {
    return 84;
}
NSInteger classAnswer(Class, SEL) {
    return 7;
}
void countingDealloc(id self, SEL) {
    ++deallocCount;
    sendSuper(lookUpClass("NSObject"), self, "dealloc"_sel);
}
int minusOne(id, SEL) {
    return -1;
}
BOOL yes(id, SEL) {
    return YES;
}
std::uint64_t sum8(id, SEL, std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d,
                   std::uint64_t e, std::uint64_t f, std::uint64_t g, std::uint64_t h) {
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h;
}
double half(id, SEL, double value) {
    return value / 2;
}

// A class "Base" below NSObject and "Derived" below it, built the way the bridge commands
// build classes, with names unique to the test.
struct TestClasses {
    explicit TestClasses(const std::string& prefix) {
        base = allocateClassPair(lookUpClass("NSObject"), prefix + "Base");
        addMethod(base, registerSelector("answer"), reinterpret_cast<IMP>(&answer), "q@:");
        addMethod(base->metaclass(), registerSelector("classAnswer"),
                  reinterpret_cast<IMP>(&classAnswer), "q@:");
        addMethod(base, registerSelector("dealloc"), reinterpret_cast<IMP>(&countingDealloc),
                  "v@:");
        registerClassPair(base);
        derived = allocateClassPair(base, prefix + "Derived");
        registerClassPair(derived);
    }
    Class base;
    Class derived;
};

TEST(Runtime, SelectorsAreInternedByName) {
    const std::string name = "setSize:";
    EXPECT_EQ(registerSelector("setSize:"), registerSelector(name));
    EXPECT_NE(registerSelector("setSize:"), registerSelector("setSize"));
    EXPECT_EQ(selectorName(registerSelector("initWithString:")), "initWithString:");
}

TEST(Runtime, ClassesHaveMetaclassesAndChains) {
    TestClasses classes("Chain");
    Class root = lookUpClass("NSObject");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(lookUpClass("ChainDerived"), classes.derived);
    EXPECT_EQ(lookUpClass("NoSuchClassAnywhere"), nullptr);
    EXPECT_EQ(classes.derived->superclass(), classes.base);
    EXPECT_TRUE(classes.derived->metaclass()->isMetaclass());
    EXPECT_EQ(classes.derived->metaclass()->superclass(), classes.base->metaclass());
    // The root metaclass is its own class and inherits from the root class.
    EXPECT_EQ(root->metaclass()->metaclass(), root->metaclass());
    EXPECT_EQ(root->metaclass()->superclass(), root);
    const auto chain = classChain(classes.derived);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[2], root);
    // A taken name, an empty name or a metaclass as superclass is refused.
    EXPECT_EQ(allocateClassPair(root, "ChainBase"), nullptr);
    EXPECT_EQ(allocateClassPair(root, ""), nullptr);
    EXPECT_EQ(allocateClassPair(root->metaclass(), "ChainMeta"), nullptr);
    // An allocated class is not found by name until it is registered.
    Class pending = allocateClassPair(root, "ChainPending");
    EXPECT_EQ(lookUpClass("ChainPending"), nullptr);
    registerClassPair(pending);
    EXPECT_EQ(lookUpClass("ChainPending"), pending);
}

TEST(Runtime, EncodingsComeFromTheFunctionsSignatures) {
    EXPECT_EQ(encodingOf<decltype(&answer)>(), "q@:");
    EXPECT_EQ(encodingOf<decltype(&classAnswer)>(), "q@:");
    EXPECT_EQ(encodingOf<decltype(&half)>(), "d@:d");
    EXPECT_EQ(encodingOf<decltype(&sum8)>(), "Q@:QQQQQQQQ");
    EXPECT_EQ((encodingOf<void (*)(id, SEL, CGSize, const char*, Class, SEL, int*)>()),
              "v@:{CGSize=dd}*#:^v");
    EXPECT_EQ((encodingOf<id (*)(Class, SEL, CGRect, NSRange)>()),
              "@@:{CGRect={CGPoint=dd}{CGSize=dd}}{_NSRange=QQ}");
}

TEST(Runtime, MethodsAreFoundThroughSuperclassesAndMetaclasses) {
    TestClasses classes("Lookup");
    const SEL answerSel = registerSelector("answer");
    id object = send<id>(classes.derived, "new"_sel);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(getClass(object), classes.derived);
    EXPECT_EQ(send<NSInteger>(object, "answer"_sel), 42);
    EXPECT_EQ(send<NSInteger>(classes.derived, "classAnswer"_sel), 7);
    EXPECT_EQ(getClassMethod(classes.derived, registerSelector("classAnswer"))->implementation,
              reinterpret_cast<IMP>(&classAnswer));
    // Instance methods are not class methods, and the other way round.
    EXPECT_EQ(findMethod(classes.derived, answerSel), nullptr);
    EXPECT_EQ(findMethod(object, registerSelector("classAnswer")), nullptr);
    // A class may not add a selector twice, but a subclass may override it.
    EXPECT_FALSE(addMethod(classes.base, answerSel, reinterpret_cast<IMP>(&doubled), "q@:"));
    EXPECT_TRUE(addMethod(classes.derived, answerSel, reinterpret_cast<IMP>(&doubled), "q@:"));
    EXPECT_EQ(send<NSInteger>(object, "answer"_sel), 84);
    // Methods of one type encoding share one parsed signature, whichever class they are in.
    const Method* overriding = getInstanceMethod(classes.derived, answerSel);
    const Method* overridden = getInstanceMethod(classes.base, answerSel);
    ASSERT_NE(overriding, overridden);
    EXPECT_EQ(overriding->signature, overridden->signature);
    EXPECT_EQ(overriding->signature,
              getClassMethod(classes.derived, registerSelector("classAnswer"))->signature);
    EXPECT_EQ(overriding->signature->returnLength(), sizeof(NSInteger));
    // Encodings that cannot be called are refused.
    for (const char* bad : {"", "q", "q@", "q@:(u=ic)", "q@:b4", "v@:v", "q@:{Opaque}"}) {
        EXPECT_FALSE(addMethod(classes.derived, registerSelector(std::string("bad") + bad),
                               reinterpret_cast<IMP>(&answer), bad))
            << bad;
    }
    release(object);
}

TEST(Runtime, RootClassAnswersTheCommonQuestions) {
    TestClasses classes("Questions");
    id object = send<id>(classes.derived, "new"_sel);
    EXPECT_EQ(send<BOOL>(object, "respondsToSelector:"_sel, registerSelector("answer")), YES);
    EXPECT_EQ(send<BOOL>(object, "respondsToSelector:"_sel, registerSelector("missing")), NO);
    EXPECT_EQ(send<BOOL>(object, "isKindOfClass:"_sel, classes.base), YES);
    EXPECT_EQ(send<BOOL>(object, "isKindOfClass:"_sel, lookUpClass("NSString")), NO);
    EXPECT_EQ(send<BOOL>(object, "isMemberOfClass:"_sel, classes.base), NO);
    EXPECT_EQ(send<Class>(object, "class"_sel), classes.derived);
    EXPECT_EQ(send<Class>(classes.derived, "class"_sel), classes.derived);
    EXPECT_EQ(send<Class>(classes.derived, "superclass"_sel), classes.base);
    EXPECT_EQ(nativeStringText(send<id>(object, "className"_sel)), u"QuestionsDerived");
    EXPECT_EQ(nativeStringText(send<id>(classes.derived, "className"_sel)), u"QuestionsDerived");
    const std::u16string description = nativeStringText(send<id>(object, "description"_sel));
    EXPECT_EQ(description.rfind(u"<QuestionsDerived: 0x", 0), 0u);
    EXPECT_EQ(description.back(), u'>');
    release(object);
}

TEST(Runtime, ReferenceCountingDeallocatesOnceAndForgetsTheObject) {
    TestClasses classes("Counting");
    deallocCount = 0;
    id object = send<id>(classes.derived, "new"_sel);
    EXPECT_EQ(retain(object), object);
    EXPECT_EQ(send<NSUInteger>(object, "retainCount"_sel), 2u);
    release(object);
    EXPECT_EQ(deallocCount, 0);
    EXPECT_TRUE(isLiveObject(object));
    release(object);
    EXPECT_EQ(deallocCount, 1);
    // The stale pointer is refused without being read.
    EXPECT_FALSE(isLiveObject(object));
    EXPECT_EQ(getClass(object), nullptr);
    EXPECT_EQ(findMethod(object, registerSelector("answer")), nullptr);
    EXPECT_EQ(send<NSInteger>(object, "answer"_sel), 0);
    release(object);
    EXPECT_EQ(deallocCount, 1);
    // Classes are never deallocated.
    release(classes.derived);
    EXPECT_EQ(send<NSInteger>(classes.derived, "classAnswer"_sel), 7);
}

TEST(Runtime, MadeUpPointersAreNotObjects) {
    std::array<std::uint64_t, 4> notAnObject{};
    EXPECT_FALSE(isLiveObject(notAnObject.data()));
    EXPECT_EQ(getClass(notAnObject.data()), nullptr);
    EXPECT_EQ(findMethod(notAnObject.data(), registerSelector("retain")), nullptr);
    EXPECT_EQ(liveCast<NSStringObject>(notAnObject.data()), nullptr);
    EXPECT_TRUE(classChain(reinterpret_cast<Class>(notAnObject.data())).empty());
    EXPECT_EQ(createInstance(reinterpret_cast<Class>(notAnObject.data())), nullptr);
}

TEST(Runtime, PlainSendPassesWordsAndWidensResults) {
    Class cls = allocateClassPair(lookUpClass("NSObject"), "WordsClass");
    addMethod(cls, registerSelector("sum:::::::"), reinterpret_cast<IMP>(&sum8), "Q@:QQQQQQQQ");
    addMethod(cls, registerSelector("minusOne"), reinterpret_cast<IMP>(&minusOne), "i@:");
    addMethod(cls, registerSelector("yes"), reinterpret_cast<IMP>(&yes), "c@:");
    addMethod(cls, registerSelector("half:"), reinterpret_cast<IMP>(&half), "d@:d");
    registerClassPair(cls);
    id object = send<id>(cls, "new"_sel);
    std::uint64_t result = 0;
    const std::array<std::uint64_t, 8> words{1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(sendWords(object, registerSelector("sum:::::::"), words, result));
    EXPECT_EQ(result, 204u);
    ASSERT_TRUE(sendWords(object, registerSelector("minusOne"), {}, result));
    EXPECT_EQ(result, 0xFFFFFFFFu);
    ASSERT_TRUE(sendWords(object, registerSelector("yes"), {}, result));
    EXPECT_EQ(result, 1u);
    // Floating-point methods cannot be called with words; nothing is sent.
    EXPECT_FALSE(sendWords(object, registerSelector("half:"), words, result));
    EXPECT_FALSE(sendWords(object, registerSelector("missing"), {}, result));
    EXPECT_EQ(result, 0u);
    release(object);
}

TEST(Runtime, ClassesCanBeBuiltAndUsedFromSeveralThreads) {
    Class root = lookUpClass("NSObject");
    std::vector<std::thread> threads;
    std::array<std::int64_t, 4> answers{};
    for (std::size_t t = 0; t < answers.size(); ++t) {
        threads.emplace_back([&, t] {
            Class cls = allocateClassPair(root, "Threaded" + std::to_string(t));
            addMethod(cls, registerSelector("answer"), reinterpret_cast<IMP>(&answer), "q@:");
            registerClassPair(cls);
            for (int i = 0; i < 200; ++i) {
                id object = send<id>(cls, "new"_sel);
                answers[t] += send<NSInteger>(object, "answer"_sel);
                release(object);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (std::int64_t total : answers) {
        EXPECT_EQ(total, 200 * 42);
    }
}

} // namespace
} // namespace sondrel::objc
