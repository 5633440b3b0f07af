#pragma once

// A message call described by a method signature: arguments are set one by one as bytes, the
// implementation is called through libffi with the exact C types of the signature, and the
// result is read back as bytes. This is the slow but fully general way to send a message: it
// handles floating-point and structure arguments and results of any size.
//
// An invocation belongs to one thread at a time. Arguments not set stay zero.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/objc/MethodSignature.h"
#include "platform/objc/Object.h"

namespace sondrel::objc {

class Invocation {
public:
    explicit Invocation(std::shared_ptr<const MethodSignature> signature);

    const MethodSignature& signature() const { return *m_signature; }

    void setTarget(id target) { setArgument(0, &target, sizeof target); }
    void setSelector(SEL selector) { setArgument(1, &selector, sizeof selector); }

    // Copies the argument's full size from `bytes` (index 0 is the receiver, 1 the selector).
    // False for an index past the signature's arguments.
    bool setArgument(std::size_t index, const void* bytes);
    // Copies at most `available` bytes and zero-fills the rest of the argument, for callers
    // that hold fewer bytes than the parameter takes.
    bool setArgument(std::size_t index, const void* bytes, std::size_t available);

    // Calls `implementation` with the arguments set; the result is kept for getReturnValue.
    void invoke(IMP implementation);

    // Copies the result's returnLength() bytes to `destination`.
    void getReturnValue(void* destination) const;

private:
    std::byte* slot(std::size_t index) { return m_arguments.data() + m_offsets[index]; }

    std::shared_ptr<const MethodSignature> m_signature;
    std::vector<std::byte> m_arguments;
    std::vector<std::size_t> m_offsets;
    std::vector<std::byte> m_result;
};

} // namespace sondrel::objc
