#pragma once

// Type encodings of C++ types, so that methods written as plain C++ functions get their
// encoding from their own signature: encodingOf<decltype(&setSize)>() gives "v@:{CGSize=dd}"
// for `void setSize(NSImageObject*, SEL, CGSize)`. A structure passed by value declares its
// encoding with a specialisation of TypeEncoding (see Geometry.h).

#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/objc/Object.h"

namespace sondrel::objc {

template <class T, class Enable = void> struct TypeEncoding;

template <class T> std::string encodingOfType() {
    return TypeEncoding<std::remove_cv_t<T>>::value();
}

#define SONDREL_OBJC_ENCODING(Type, text)                                                          \
    template <> struct TypeEncoding<Type> {                                                        \
        static std::string value() { return text; }                                                \
    }

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
    static std::string value() {
        return std::is_same_v<std::remove_cv_t<T>, ClassObject> ? "#" : "@";
    }
};
template <class T>
struct TypeEncoding<T*, std::enable_if_t<!std::is_base_of_v<Object, T> &&
                                         !std::is_same_v<std::remove_cv_t<T>, char> &&
                                         !std::is_same_v<std::remove_cv_t<T>, Selector>>> {
    static std::string value() { return "^v"; }
};

template <class F> struct MethodEncoding;
template <class R, class Self, class... Args> struct MethodEncoding<R (*)(Self, SEL, Args...)> {
    static std::string value() {
        static_assert(std::is_pointer_v<Self>, "the receiver parameter must be a pointer");
        return encodingOfType<R>() + "@:" + (std::string() + ... + encodingOfType<Args>());
    }
};

// The encoding of a method implementation `R function(Self* self, SEL, Args...)`.
template <class F> std::string encodingOf() {
    return MethodEncoding<F>::value();
}

} // namespace sondrel::objc
