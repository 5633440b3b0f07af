#pragma once

// Typed message sends for C++ callers: send<double>(image, "width") looks the method up like any
// message and calls its implementation with the C++ argument types given. A receiver that is nil
// or not a live object, a missing method, or a method whose type encoding does not match the
// C++ types of the call sends nothing and gives a value-initialised result, like a message to
// nil.

#include <memory>
#include <new>
#include <string_view>
#include <type_traits>

#include "platform/objc/Runtime.h"
#include "platform/objc/TypeEncoding.h"

namespace sondrel::objc {

namespace detail {

// Built on first use and never destroyed: a detached thread may still send messages while the
// process runs its static destructors on the way out.
template <class R, class... Args> const MethodSignature* callSignature() {
    using Held = std::shared_ptr<const MethodSignature>;
    alignas(Held) static unsigned char storage[sizeof(Held)];
    static const Held* const signature = new (storage) Held(MethodSignature::parse(
        encodingOfType<R>() + "@:" + (std::string() + ... + encodingOfType<Args>())));
    return signature->get();
}

template <class R, class... Args>
SONDREL_OBJC_DYNAMIC_CALL R call(const Method* method, const void* receiver, SEL selector,
                                 Args... args) {
    const MethodSignature* expected = callSignature<R, Args...>();
    if (method == nullptr || method->signature == nullptr || expected == nullptr ||
        !method->signature->isCompatibleWith(*expected)) {
        return R();
    }
    using Function = R (*)(const void*, SEL, Args...);
    return reinterpret_cast<Function>(method->implementation)(receiver, selector, args...);
}

} // namespace detail

template <class R = void, class... Args> R send(const void* receiver, SEL selector, Args... args) {
    return detail::call<R, Args...>(findMethod(receiver, selector), receiver, selector, args...);
}

template <class R = void, class... Args>
R send(const void* receiver, std::string_view selector, Args... args) {
    return send<R, Args...>(receiver, registerSelector(selector), args...);
}

// Sends to `receiver` the implementation found from `superclass` upwards (a call to super from
// a method of a class whose superclass is `superclass`; for class methods pass the metaclass's).
template <class R = void, class... Args>
R sendSuper(Class superclass, const void* receiver, std::string_view selector, Args... args) {
    const SEL sel = registerSelector(selector);
    if (!isLiveObject(receiver)) {
        return R();
    }
    return detail::call<R, Args...>(getInstanceMethod(superclass, sel), receiver, sel, args...);
}

} // namespace sondrel::objc
