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
// A function of the receiver (setAutoresizingMask(NSViewObject*, NSUInteger)) is named the same
// way, its types travelling as a member's; ignoringSender<&member> makes the method of an action
// message whose sender the member does not take. A method that does more than this (a check, a
// default) keeps a function of its own, and instanceMethod<&function>("selector") registers that
// function as it is.
//
// The second template argument says on which thread the method runs: AnyThread (the default) on
// the sender's, or a policy of a higher layer (appkit's OnMainThread) that carries the whole call
// to another thread and returns its result. A policy is a type with a static run(call) that
// invokes the callable `call` once and answers what it answers.

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

// Runs a method where it was sent from.
struct AnyThread {
    template <class F> static decltype(auto) run(F&& call) { return call(); }
};

namespace detail {

template <class T> using Message = MessageValue<std::remove_cvref_t<T>>;

template <auto Member, class Thread, class C, class R, class... Args> struct MemberCall {
    static typename Message<R>::Type call(Object* self, SEL, typename Message<Args>::Type... args) {
        return Thread::run([&]() -> typename Message<R>::Type {
            C* object = static_cast<C*>(self);
            if constexpr (std::is_void_v<R>) {
                (object->*Member)(Message<Args>::in(args)...);
            } else {
                return Message<R>::out((object->*Member)(Message<Args>::in(args)...));
            }
        });
    }
};

template <auto Field, class Thread, class C, class T> struct FieldRead {
    static typename Message<T>::Type call(Object* self, SEL) {
        return Thread::run([&]() -> typename Message<T>::Type {
            return Message<T>::out(static_cast<C*>(self)->*Field);
        });
    }
};

template <auto Function, class Thread, class R, class... Args> struct StaticCall {
    static typename Message<R>::Type call(Class, SEL, typename Message<Args>::Type... args) {
        return Thread::run([&]() -> typename Message<R>::Type {
            if constexpr (std::is_void_v<R>) {
                Function(Message<Args>::in(args)...);
            } else {
                return Message<R>::out(Function(Message<Args>::in(args)...));
            }
        });
    }
};

// A function of the receiver (`Function(receiver, arguments...)`, no selector), whose types
// travel as a member's do.
template <auto Function, class Thread, class C, class R, class... Args> struct ReceiverCall {
    static typename Message<R>::Type call(Object* self, SEL, typename Message<Args>::Type... args) {
        return Thread::run([&]() -> typename Message<R>::Type {
            C* object = static_cast<C*>(self);
            if constexpr (std::is_void_v<R>) {
                Function(object, Message<Args>::in(args)...);
            } else {
                return Message<R>::out(Function(object, Message<Args>::in(args)...));
            }
        });
    }
};

template <class... Args> constexpr bool kSelectorFirst = false;
template <class... Args> constexpr bool kSelectorFirst<SEL, Args...> = true;

// A method's own function (receiver and selector first), run by `Thread`.
template <auto Function, class Thread, class R, class Receiver, class... Args> struct FunctionCall {
    static R call(Receiver self, SEL selector, Args... args) {
        return Thread::run([&]() -> R { return Function(self, selector, args...); });
    }
};

template <auto Member, class Thread, class Pointer = decltype(Member)> struct MemberMethod;
template <auto Member, class Thread, class C, class T>
struct MemberMethod<Member, Thread, T C::*> : FieldRead<Member, Thread, C, T> {};
template <auto Member, class Thread, class C, class R, class... Args>
struct MemberMethod<Member, Thread, R (C::*)(Args...)> : MemberCall<Member, Thread, C, R, Args...> {
};
template <auto Member, class Thread, class C, class R, class... Args>
struct MemberMethod<Member, Thread, R (C::*)(Args...) const>
    : MemberCall<Member, Thread, C, R, Args...> {};
template <auto Member, class Thread, class C, class R, class... Args>
struct MemberMethod<Member, Thread, R (C::*)(Args...) noexcept>
    : MemberCall<Member, Thread, C, R, Args...> {};
template <auto Member, class Thread, class C, class R, class... Args>
struct MemberMethod<Member, Thread, R (C::*)(Args...) const noexcept>
    : MemberCall<Member, Thread, C, R, Args...> {};
template <auto Function, class Thread, class R, class Receiver, class... Args>
struct MemberMethod<Function, Thread, R (*)(Receiver, SEL, Args...)>
    : FunctionCall<Function, Thread, R, Receiver, Args...> {};

template <auto Function, class Thread, class C, class R, class... Args>
requires(std::is_base_of_v<Object, C> &&
         !kSelectorFirst<Args...>) struct MemberMethod<Function, Thread, R (*)(C*, Args...)>
    : ReceiverCall<Function, Thread, C, R, Args...> {
};

template <auto Function, class Thread, class Pointer = decltype(Function)> struct StaticMethod;
template <auto Function, class Thread, class R, class... Args>
struct StaticMethod<Function, Thread, R (*)(Args...)> : StaticCall<Function, Thread, R, Args...> {};
template <auto Function, class Thread, class R, class... Args>
struct StaticMethod<Function, Thread, R (*)(Args...) noexcept>
    : StaticCall<Function, Thread, R, Args...> {};
template <auto Function, class Thread, class R, class... Args>
struct StaticMethod<Function, Thread, R (*)(Class, SEL, Args...)>
    : FunctionCall<Function, Thread, R, Class, Args...> {};

// The method function of a message whose last argument (an action's sender, an option this
// platform has no use for) the member or function of the receiver does not take.
template <auto Member, class Dropped, class Pointer = decltype(Member)> struct IgnoringLast;
template <auto Member, class Dropped, class C, class R, class... Args>
struct IgnoringLast<Member, Dropped, R (C::*)(Args...)> {
    static typename Message<R>::Type call(Object* self, SEL selector,
                                          typename Message<Args>::Type... args, Dropped) {
        return MemberCall<Member, AnyThread, C, R, Args...>::call(self, selector, args...);
    }
};
template <auto Member, class Dropped, class C, class R, class... Args>
struct IgnoringLast<Member, Dropped, R (C::*)(Args...) const>
    : IgnoringLast<Member, Dropped, R (C::*)(Args...)> {};
template <auto Function, class Dropped, class C, class R, class... Args>
requires std::is_base_of_v<Object, C>
struct IgnoringLast<Function, Dropped, R (*)(C*, Args...)> {
    static typename Message<R>::Type call(Object* self, SEL selector,
                                          typename Message<Args>::Type... args, Dropped) {
        return ReceiverCall<Function, AnyThread, C, R, Args...>::call(self, selector, args...);
    }
};

} // namespace detail

// A message whose last argument, of type `Dropped`, the member (or function of the receiver)
// does not take:
//     .instanceMethod<objc::ignoringLast<&NSWindowObject::addChildWindow, NSInteger>>(
//         "addChildWindow:ordered:")
template <auto Member, class Dropped>
inline constexpr auto ignoringLast = &detail::IgnoringLast<Member, Dropped>::call;
// An action message (`performClick:`, `terminate:`) whose sender the member does not need.
template <auto Member> inline constexpr auto ignoringSender = ignoringLast<Member, id>;
} // namespace sondrel::objc
