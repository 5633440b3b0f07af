#pragma once

// Typed message sends for C++ callers: send<double>(image, "width"_sel) looks the method up like
// any message and calls its implementation with the C++ argument types given.
//
// A message to nil, or to a pointer that is not a live object, sends nothing and gives a
// value-initialised result. A message a live receiver cannot take - no method by that name, or a
// method whose type encoding does not match the C++ types of the call - is a mistake in the
// program: checked builds stop there, builds that ship answer like nil and report it once (see
// MessageMistakes.h).
//
// Selectors are written "name:"_sel (SelectorName.h), so the compiler checks the argument count
// and every message the program sends is listed with its types (SentMessages.h). A selector
// known only at run time (a control's action, a delegate method looked up first) goes as a SEL:
// a receiver without such a method is then answered like nil, since the caller decided whether
// it must answer; a method with other types is still a mistake.

#include <cstddef>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>

#include "platform/objc/MessageMistakes.h"
#include "platform/objc/Runtime.h"
#include "platform/objc/SelectorName.h"
#include "platform/objc/SentMessages.h"
#include "platform/objc/TypeEncoding.h"

namespace sondrel::objc {

// The receiver of a typed send and the place the send is written, which the compiler fills in.
struct MessageReceiver {
    template <class T>
    MessageReceiver(T* receiver, const char* file = __builtin_FILE(),
                    unsigned line = __builtin_LINE())
        : object(receiver), site{file, line} {}
    MessageReceiver(std::nullptr_t, const char* file = __builtin_FILE(),
                    unsigned line = __builtin_LINE())
        : site{file, line} {}

    const void* object = nullptr;
    CallSite site;
};

namespace detail {

// The encoding of a call returning R with the arguments Args ("c@:@").
template <class R, class... Args>
inline constexpr std::string_view kCallTypes =
    JoinedText<TypeEncoding<std::remove_cv_t<R>>::value, kReceiverAndSelector,
               TypeEncoding<std::remove_cv_t<Args>>::value...>::value;

// Built on first use and never destroyed: a detached thread may still send messages while the
// process runs its static destructors on the way out.
template <class R, class... Args> const MethodSignature* callSignature() {
    using Held = std::shared_ptr<const MethodSignature>;
    alignas(Held) static unsigned char storage[sizeof(Held)];
    static const Held* const signature =
        new (storage) Held(MethodSignature::parse(kCallTypes<R, Args...>));
    return signature->get();
}

// One per message sent by name with given types: noted while the program starts, and its
// selector interned once.
template <SelectorText Name, class R, class... Args> struct NamedMessage {
    static inline const SEL selector = noteSentMessage(Name.view(), kCallTypes<R, Args...>);
    static SEL get() {
        // Null only for a send made while the static initialisers still run.
        return selector != nullptr ? selector : registerSelector(Name.view());
    }
};

template <class R, class... Args>
SONDREL_OBJC_DYNAMIC_CALL R call(const Method* method, MessageReceiver receiver, SEL selector,
                                 bool mustAnswer, Args... args) {
    const MethodSignature* expected = callSignature<R, Args...>();
    if (method != nullptr && method->signature != nullptr && expected != nullptr &&
        method->signature->isCompatibleWith(*expected)) {
        using Function = R (*)(const void*, SEL, Args...);
        return reinterpret_cast<Function>(method->implementation)(receiver.object, selector,
                                                                  args...);
    }
    if (method != nullptr || mustAnswer) {
        messageMistake(receiver.object, selector, method, kCallTypes<R, Args...>, receiver.site);
    }
    return R();
}

template <SelectorText Name, class... Args> constexpr void checkArgumentCount() {
    static_assert(Name.argumentCount() == sizeof...(Args),
                  "a selector takes one argument for each colon of its name");
}

} // namespace detail

template <class R = void, SelectorText Name, class... Args>
R send(MessageReceiver receiver, SelectorName<Name>, Args... args) {
    detail::checkArgumentCount<Name, Args...>();
    const SEL selector = detail::NamedMessage<Name, R, Args...>::get();
    return detail::call<R, Args...>(findMethod(receiver.object, selector), receiver, selector, true,
                                    args...);
}

template <class R = void, class... Args>
R send(MessageReceiver receiver, SEL selector, Args... args) {
    return detail::call<R, Args...>(findMethod(receiver.object, selector), receiver, selector,
                                    false, args...);
}

// A selector written as a plain text is refused: it would escape the compile-time checks.
template <class R = void, std::size_t N, class... Args>
R send(MessageReceiver, const char (&)[N], Args...) {
    static_assert(N == 0, "write the selector as \"name:\"_sel, or pass a SEL");
    return R();
}

// Sends to `receiver` the implementation found from `superclass` upwards (a call to super from
// a method of a class whose superclass is `superclass`; for class methods pass the metaclass's).
template <class R = void, SelectorText Name, class... Args>
R sendSuper(Class superclass, MessageReceiver receiver, SelectorName<Name>, Args... args) {
    detail::checkArgumentCount<Name, Args...>();
    const SEL selector = detail::NamedMessage<Name, R, Args...>::get();
    if (!isLiveObject(receiver.object)) {
        return R();
    }
    return detail::call<R, Args...>(getInstanceMethod(superclass, selector), receiver, selector,
                                    true, args...);
}

} // namespace sondrel::objc
