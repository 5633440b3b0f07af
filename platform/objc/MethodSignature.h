#pragma once

// The parsed form of a method's type encoding ("v@:{CGSize=dd}", "c24@0:8@16"): the result and
// argument types with their sizes and the libffi description used to call the implementation.
// A signature is immutable once made and may be shared between threads.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <ffi.h>

namespace sondrel::objc {

enum class TypeKind {
    Void,
    SignedInteger,   // c s i l q
    UnsignedInteger, // C S I L Q B
    Float,           // f
    Double,          // d
    LongDouble,      // D
    Pointer,         // ^type * @ # :
    Structure,       // {name=...}
};

struct EncodedType {
    TypeKind kind = TypeKind::Void;
    std::size_t size = 0;
    char code = 'v';  // the leading character of the encoding ('{' for structures)
    std::string text; // the type's encoding without qualifiers or offsets
    ffi_type* ffi = nullptr;
};

class MethodSignature {
public:
    // Parses a method encoding; null when it is malformed, lacks the receiver and selector
    // arguments, or uses a type that cannot be passed (unions, bit fields, void arguments).
    static std::shared_ptr<const MethodSignature> parse(std::string_view encoding);

    MethodSignature(const MethodSignature&) = delete;
    MethodSignature& operator=(const MethodSignature&) = delete;

    // Arguments including the receiver (index 0) and the selector (index 1).
    std::size_t argumentCount() const { return m_arguments.size(); }
    const EncodedType& argument(std::size_t index) const { return m_arguments.at(index); }
    const EncodedType& result() const { return m_result; }
    // Bytes of the result; 0 for a void method.
    std::size_t returnLength() const { return m_result.size; }

    // True when the result and every argument travel as one integer register word, so the
    // implementation may be called with 64-bit words directly.
    bool isWordCallable() const { return m_wordCallable; }
    // The raw result register of a direct call reduced to the declared result type and
    // zero-extended, as the invocation path would deliver it.
    std::uint64_t widenWordResult(std::uint64_t raw) const;

    // The argument and result types without qualifiers or stack offsets ("v@:{CGSize=dd}").
    const std::string& canonicalTypes() const { return m_canonical; }

    // True when a call made for `other` passes the same C types as this one: same result and
    // arguments after the selector; all pointers count as one type.
    bool isCompatibleWith(const MethodSignature& other) const;

    ffi_cif* cif() const { return &m_cif; }

private:
    MethodSignature() = default;
    class Parser;

    EncodedType m_result;
    std::vector<EncodedType> m_arguments;
    std::vector<ffi_type*> m_ffiArguments;
    std::deque<ffi_type> m_structTypes;                // stable storage for structure types
    std::deque<std::vector<ffi_type*>> m_structFields; // their null-terminated element lists
    std::string m_canonical;
    bool m_wordCallable = false;
    mutable ffi_cif m_cif{};
};

} // namespace sondrel::objc
