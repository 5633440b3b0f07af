#pragma once

// NSData: a run of bytes, either copied into the object or borrowed from the caller (the
// "no copy" forms), which then must outlive the object unless it is handed over to be freed.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/objc/Object.h"

namespace sondrel::objc {

class NSDataObject : public Object {
public:
    using Object::Object;

    const void* bytes() const { return m_bytes; }
    std::size_t length() const { return m_length; }

    void copyBytes(const void* bytes, std::size_t length);
    // Refers to the bytes without copying; with `freeWhenDone` they were made with malloc and
    // are freed with the object.
    void borrowBytes(void* bytes, std::size_t length, bool freeWhenDone);

private:
    struct Free {
        void operator()(void* bytes) const { std::free(bytes); }
    };

    const void* m_bytes = nullptr;
    std::size_t m_length = 0;
    std::vector<std::byte> m_copy;
    std::unique_ptr<void, Free> m_handedOver;
};

} // namespace sondrel::objc
