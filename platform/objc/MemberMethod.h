#pragma once

// Methods that only forward to a C++ member, written once: ClassDefinition's
// instanceMethod<&NSViewObject::frame>("frame") makes the implementation that calls the member on
// the receiver (for a data member, &NSEventObject::clickCount, one that answers its value), and
// classMethod<&NSWindowObject::frameRectForContentRect>(...) one that calls a static member with
// the message's arguments.
//
// The type encoding is worked out from the member's signature as a function's is (see
// TypeEncoding.h), except for three C++ types that travel in messages as their native forms:
//
//     bool                       BOOL ("c"), YES or NO
//     std::u16string             an NSString ("@"); an argument is read with nativeStringText
//                                (nil reads as empty), a result is answered autoreleased
//     T*, T derived from Object  an object ("@"); an argument that is not a live T arrives as
//                                null (liveCast), so a member may rely on its type
//     an enumeration             its underlying integer type
//
// A method that does more than this (a check, a default, a call carried to the main thread)
// keeps a function of its own.

#include <string>
#include <type_traits>

#include "platform/objc/NSString.h"
#include "platform/objc/Object.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {

// How a C++ parameter or result type of a member (without const and reference) travels in a
// message: as `Type`, turned into the member's type by in() and back by out().
template <class T, class Enable = void> struct MessageValue {
    using Type = T;
    static const T& in(const T& value) { return value; }
    static T out(const T& value) { return value; }
};

template <> struct MessageValue<void> { using Type = void; };

template <> struct MessageValue<bool> {
    using Type = BOOL;
    static bool in(BOOL value) { return value != NO; }
    static BOOL out(bool value) { return value ? YES : NO; }
};

template <> struct MessageValue<std::u16string> {
    using Type = id;
    static std::u16string in(id value) { return nativeStringText(value); }
    static id out(std::u16string value) { return autoreleasedNativeString(std::move(value)); }
};

template <class T> struct MessageValue<T, std::enable_if_t<std::is_enum_v<T>>> {
    using Type = std::underlying_type_t<T>;
    static T in(Type value) { return static_cast<T>(value); }
    static Type out(T value) { return static_cast<Type>(value); }
};

template <class T>
struct MessageValue<T*, std::enable_if_t<std::is_base_of_v<Object, T> &&
                                         !std::is_same_v<std::remove_cv_t<T>, Object> &&
                                         !std::is_same_v<std::remove_cv_t<T>, ClassObject>>> {
    using Type = id;
    static T* in(id value) { return liveCast<std::remove_cv_t<T>>(value); }
    static id out(T* value) { return const_cast<std::remove_cv_t<T>*>(value); }
};

namespace detail {

template <class T> using Message = MessageValue<std::remove_cvref_t<T>>;

template <auto Member, class C, class R, class... Args> struct MemberCall {
    static typename Message<R>::Type call(Object* self, SEL, typename Message<Args>::Type... args) {
        C* object = static_cast<C*>(self);
        if constexpr (std::is_void_v<R>) {
            (object->*Member)(Message<Args>::in(args)...);
        } else {
            return Message<R>::out((object->*Member)(Message<Args>::in(args)...));
        }
    }
};

template <auto Field, class C, class T> struct FieldRead {
    static typename Message<T>::Type call(Object* self, SEL) {
        return Message<T>::out(static_cast<C*>(self)->*Field);
    }
};

template <auto Function, class R, class... Args> struct StaticCall {
    static typename Message<R>::Type call(Class, SEL, typename Message<Args>::Type... args) {
        if constexpr (std::is_void_v<R>) {
            Function(Message<Args>::in(args)...);
        } else {
            return Message<R>::out(Function(Message<Args>::in(args)...));
        }
    }
};

template <auto Member, class Pointer = decltype(Member)> struct MemberMethod;
template <auto Member, class C, class T>
struct MemberMethod<Member, T C::*> : FieldRead<Member, C, T> {};
template <auto Member, class C, class R, class... Args>
struct MemberMethod<Member, R (C::*)(Args...)> : MemberCall<Member, C, R, Args...> {};
template <auto Member, class C, class R, class... Args>
struct MemberMethod<Member, R (C::*)(Args...) const> : MemberCall<Member, C, R, Args...> {};
template <auto Member, class C, class R, class... Args>
struct MemberMethod<Member, R (C::*)(Args...) noexcept> : MemberCall<Member, C, R, Args...> {};
template <auto Member, class C, class R, class... Args>
struct MemberMethod<Member, R (C::*)(Args...) const noexcept> : MemberCall<Member, C, R, Args...> {
};

template <auto Function, class Pointer = decltype(Function)> struct StaticMethod;
template <auto Function, class R, class... Args>
struct StaticMethod<Function, R (*)(Args...)> : StaticCall<Function, R, Args...> {};
template <auto Function, class R, class... Args>
struct StaticMethod<Function, R (*)(Args...) noexcept> : StaticCall<Function, R, Args...> {};

} // namespace detail
} // namespace sondrel::objc
