#include "platform/objc/Invocation.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/objc/Geometry.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

template <class F> IMP imp(F function) {
    return reinterpret_cast<IMP>(function);
}

template <class R> R returned(const Invocation& invocation) {
    R value{};
    invocation.getReturnValue(&value);
    return value;
}

TEST(MethodSignature, ReadsSizesOfEveryKind) {
    const auto signature =
        MethodSignature::parse("v@:cCsSiIlLqQfdBD*#:^v^{CGSize=dd}@\"NSString\"");
    ASSERT_NE(signature, nullptr);
    const std::size_t expected[] = {8, 8, 1, 1, 2,  2, 4, 4, 4, 4, 8,
                                    8, 4, 8, 1, 16, 8, 8, 8, 8, 8, 8};
    ASSERT_EQ(signature->argumentCount(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(signature->argument(i).size, expected[i]) << i;
    }
    EXPECT_EQ(signature->returnLength(), 0u);
    EXPECT_FALSE(signature->isWordCallable());
}

TEST(MethodSignature, ReadsStructuresOffsetsAndQualifiers) {
    const auto rect =
        MethodSignature::parse("{CGRect={CGPoint=dd}{CGSize=dd}}40@0:8r^{_NSRange=QQ}16");
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->returnLength(), 32u);
    EXPECT_EQ(rect->result().kind, TypeKind::Structure);
    EXPECT_EQ(rect->canonicalTypes(), "{CGRect={CGPoint=dd}{CGSize=dd}}@:^{_NSRange=QQ}");
    const auto arrays = MethodSignature::parse("v@:{Pair=\"a\"[3s]\"b\"c}[4i]");
    ASSERT_NE(arrays, nullptr);
    EXPECT_EQ(arrays->argument(2).size, 8u);                // three shorts and a char, padded
    EXPECT_EQ(arrays->argument(3).kind, TypeKind::Pointer); // arrays are passed as pointers
    const auto words = MethodSignature::parse("@@:q^v");
    ASSERT_NE(words, nullptr);
    EXPECT_TRUE(words->isWordCallable());
    // Unions, bit fields, opaque or empty structures, runaway nesting and cut-off text fail.
    std::string deep(100, '{');
    for (const std::string& bad :
         {std::string("v@:(u=ic)"), std::string("v@:b3"), std::string("v@:{X}"),
          std::string("v@:{X=}"), std::string("v@:{X=ii"), std::string("v@:[4"), std::string("v:@"),
          "v@:" + deep + "A=i", std::string("v@:\"open")}) {
        EXPECT_EQ(MethodSignature::parse(bad), nullptr) << bad;
    }
}

struct Packed {
    std::int8_t c;
    std::uint8_t uc;
    std::int16_t s;
    std::uint16_t us;
    std::int32_t i;
    std::uint32_t ui;
    std::int64_t q;
    std::uint64_t uq;
};
Packed packed;

// Ten arguments in all, of every integer width: more than the registers hold.
void takeIntegers(id, SEL, std::int8_t c, std::uint8_t uc, std::int16_t s, std::uint16_t us,
                  std::int32_t i, std::uint32_t ui, std::int64_t q, std::uint64_t uq) {
    packed = {c, uc, s, us, i, ui, q, uq};
}

double mix(id, SEL, float f, double d, std::int32_t i, const char* text, SEL selector) {
    return f + d + i + static_cast<double>(std::strlen(text)) + (selector != nullptr ? 1000 : 0);
}

CGRect frame(id, SEL, CGPoint origin, CGSize size) {
    return CGRect{origin, size};
}

NSRange shift(id, SEL, NSRange range, NSUInteger by) {
    return NSRange{range.location + by, range.length};
}

signed char negativeChar(id, SEL) {
    return -2;
}

BOOL isPositive(id, SEL, double value) {
    return value > 0 ? YES : NO;
}

TEST(Invocation, PassesEveryIntegerWidth) {
    auto signature = MethodSignature::parse("v@:cCsSiIqQ");
    Invocation invocation(signature);
    const std::int8_t c = -5;
    const std::uint8_t uc = 250;
    const std::int16_t s = -30000;
    const std::uint16_t us = 60000;
    const std::int32_t i = -2000000000;
    const std::uint32_t ui = 4000000000u;
    const std::int64_t q = -9000000000000000000;
    const std::uint64_t uq = 18000000000000000000u;
    const void* values[] = {&c, &uc, &s, &us, &i, &ui, &q, &uq};
    for (std::size_t k = 0; k < std::size(values); ++k) {
        ASSERT_TRUE(invocation.setArgument(k + 2, values[k]));
    }
    EXPECT_FALSE(invocation.setArgument(10, &c));
    invocation.invoke(imp(&takeIntegers));
    EXPECT_EQ(packed.c, c);
    EXPECT_EQ(packed.uc, uc);
    EXPECT_EQ(packed.s, s);
    EXPECT_EQ(packed.us, us);
    EXPECT_EQ(packed.i, i);
    EXPECT_EQ(packed.ui, ui);
    EXPECT_EQ(packed.q, q);
    EXPECT_EQ(packed.uq, uq);
}

TEST(Invocation, PassesFloatsPointersSelectorsAndReturnsDoubles) {
    Invocation invocation(MethodSignature::parse("d@:fdi*:"));
    const float f = 0.5f;
    const double d = 2.25;
    const std::int32_t i = -3;
    const char* text = "abcd";
    const SEL selector = registerSelector("mix");
    invocation.setArgument(2, &f);
    invocation.setArgument(3, &d);
    invocation.setArgument(4, &i);
    invocation.setArgument(5, &text);
    invocation.setSelector(selector);
    invocation.setArgument(6, &selector);
    invocation.invoke(imp(&mix));
    EXPECT_DOUBLE_EQ(returned<double>(invocation), 0.5 + 2.25 - 3 + 4 + 1000);
}

TEST(Invocation, PassesAndReturnsStructuresByValue) {
    Invocation rect(
        MethodSignature::parse("{CGRect={CGPoint=dd}{CGSize=dd}}@:{CGPoint=dd}{CGSize=dd}"));
    const CGPoint origin{1.5, -2};
    const CGSize size{32, 16};
    rect.setArgument(2, &origin);
    rect.setArgument(3, &size);
    rect.invoke(imp(&frame));
    EXPECT_EQ(returned<CGRect>(rect), (CGRect{origin, size}));

    Invocation range(MethodSignature::parse("{_NSRange=QQ}@:{_NSRange=QQ}Q"));
    const NSRange given{10, 5};
    const NSUInteger by = 7;
    range.setArgument(2, &given);
    range.setArgument(3, &by);
    range.invoke(imp(&shift));
    EXPECT_EQ(returned<NSRange>(range), (NSRange{17, 5}));
}

TEST(Invocation, ShortResultsAndShortSourcesAreExact) {
    Invocation narrow(MethodSignature::parse("c@:"));
    narrow.invoke(imp(&negativeChar));
    std::uint64_t word = 0;
    narrow.getReturnValue(&word);
    EXPECT_EQ(word, 0xFEu); // only the declared byte is copied

    Invocation boolean(MethodSignature::parse("c@:d"));
    const double value = 3;
    boolean.setArgument(2, &value);
    boolean.invoke(imp(&isPositive));
    EXPECT_EQ(returned<BOOL>(boolean), YES);

    // A source shorter than the parameter fills the rest with zeros instead of over-reading.
    Invocation range(MethodSignature::parse("{_NSRange=QQ}@:{_NSRange=QQ}Q"));
    const std::uint64_t location = 3;
    range.setArgument(2, &location, sizeof location);
    range.invoke(imp(&shift));
    EXPECT_EQ(returned<NSRange>(range), (NSRange{3, 0}));
}

} // namespace
} // namespace sondrel::objc
