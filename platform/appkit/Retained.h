#pragma once

// An owning reference to a native object: retains on copy, releases when dropped, so C++ members
// that hold native objects (a window's content view, a menu's items) follow Cocoa's retain rules
// without manual release calls.

#include <utility>

#include "platform/objc/Runtime.h"

namespace sondrel::appkit {

template <class T> class Retained {
public:
    Retained() = default;
    // Takes over a reference the caller owns (a new object, or one retained for us).
    static Retained adopt(T* object) {
        Retained result;
        result.m_object = object;
        return result;
    }
    // Adds a reference of its own.
    static Retained retain(T* object) {
        objc::retain(object);
        return adopt(object);
    }

    Retained(const Retained& other) : m_object(other.m_object) { objc::retain(m_object); }
    Retained(Retained&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Retained& operator=(Retained other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~Retained() { reset(); }

    void reset() {
        if (T* object = std::exchange(m_object, nullptr))
            objc::release(object);
    }
    // Gives the reference to the caller.
    T* release() { return std::exchange(m_object, nullptr); }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const T* other) const { return m_object == other; }

private:
    T* m_object = nullptr;
};

} // namespace sondrel::appkit
