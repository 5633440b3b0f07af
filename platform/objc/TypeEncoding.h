#pragma once

// Type encodings of C++ types, so that methods written as plain C++ functions get their
// encoding from their own signature: encodingOf<decltype(&setSize)>() gives "v@:{CGSize=dd}"
// for `void setSize(NSImageObject*, SEL, CGSize)`. A structure passed by value declares its
// encoding with a specialisation of TypeEncoding (see Geometry.h).
//
// The encodings are joined at compile time: the native classes declare some four hundred
// methods when the program starts, and each would otherwise build its encoding there with code
// of its own.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/objc/Object.h"

namespace sondrel::objc {

template <class T, class Enable = void> struct TypeEncoding;

template <class T> std::string encodingOfType() {
    return std::string(TypeEncoding<std::remove_cv_t<T>>::value);
}

#define SONDREL_OBJC_ENCODING(Type, text)                                                          \
    template <> struct TypeEncoding<Type> { static constexpr std::string_view value = text; }

SONDREL_OBJC_ENCODING(void, "v");
SONDREL_OBJC_ENCODING(bool, "B");
SONDREL_OBJC_ENCODING(char, "c");
SONDREL_OBJC_ENCODING(signed char, "c");
SONDREL_OBJC_ENCODING(unsigned char, "C");
SONDREL_OBJC_ENCODING(short, "s");
SONDREL_OBJC_ENCODING(unsigned short, "S");
SONDREL_OBJC_ENCODING(char16_t, "S");
SONDREL_OBJC_ENCODING(int, "i");
SONDREL_OBJC_ENCODING(unsigned int, "I");
SONDREL_OBJC_ENCODING(long, "q"); // 64 bits here; "l" means 32 bits in encodings
SONDREL_OBJC_ENCODING(unsigned long, "Q");
SONDREL_OBJC_ENCODING(long long, "q");
SONDREL_OBJC_ENCODING(unsigned long long, "Q");
SONDREL_OBJC_ENCODING(float, "f");
SONDREL_OBJC_ENCODING(double, "d");
SONDREL_OBJC_ENCODING(long double, "D");
SONDREL_OBJC_ENCODING(SEL, ":");
SONDREL_OBJC_ENCODING(Class, "#");
SONDREL_OBJC_ENCODING(char*, "*");
SONDREL_OBJC_ENCODING(const char*, "*");

// Native objects of any C++ type are "@"; other pointers are "^v" (a signature check treats
// all pointers alike).
template <class T> struct TypeEncoding<T*, std::enable_if_t<std::is_base_of_v<Object, T>>> {
    static constexpr std::string_view value =
        std::is_same_v<std::remove_cv_t<T>, ClassObject> ? "#" : "@";
};
template <class T>
struct TypeEncoding<T*, std::enable_if_t<!std::is_base_of_v<Object, T> &&
                                         !std::is_same_v<std::remove_cv_t<T>, char> &&
                                         !std::is_same_v<std::remove_cv_t<T>, Selector>>> {
    static constexpr std::string_view value = "^v";
};

namespace detail {

// The parts one after the other, as one constant text.
template <const std::string_view&... Parts> struct JoinedText {
    static constexpr auto make() {
        std::array<char, (Parts.size() + ... + 0) + 1> text{};
        auto next = text.begin();
        ((next = std::copy(Parts.begin(), Parts.end(), next)), ...);
        return text;
    }
    static constexpr auto text = make();
    static constexpr std::string_view value{text.data(), text.size() - 1};
};

inline constexpr std::string_view kReceiverAndSelector = "@:";

} // namespace detail

template <class F> struct MethodEncoding;
template <class R, class Self, class... Args> struct MethodEncoding<R (*)(Self, SEL, Args...)> {
    static_assert(std::is_pointer_v<Self>, "the receiver parameter must be a pointer");
    static constexpr std::string_view value =
        detail::JoinedText<TypeEncoding<std::remove_cv_t<R>>::value, detail::kReceiverAndSelector,
                           TypeEncoding<std::remove_cv_t<Args>>::value...>::value;
};

// The encoding of a method implementation `R function(Self* self, SEL, Args...)`.
template <class F> constexpr std::string_view encodingOf() {
    return MethodEncoding<F>::value;
}

} // namespace sondrel::objc
