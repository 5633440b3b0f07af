#include "platform/objc/MethodSignature.h"

#include <cctype>
#include <cstring>

namespace sondrel::objc {
namespace {

constexpr int kMaxNesting = 32;
constexpr std::size_t kMaxStructFields = 4096;
constexpr std::size_t kMaxArrayCount = 4096;

struct Primitive {
    TypeKind kind;
    ffi_type* ffi;
};

// The C types of the single-character codes; 'l' and 'L' are 32 bits wide in encodings.
bool primitiveFor(char code, Primitive& out) {
    switch (code) {
    case 'c':
        out = {TypeKind::SignedInteger, &ffi_type_sint8};
        return true;
    case 'C':
    case 'B':
        out = {TypeKind::UnsignedInteger, &ffi_type_uint8};
        return true;
    case 's':
        out = {TypeKind::SignedInteger, &ffi_type_sint16};
        return true;
    case 'S':
        out = {TypeKind::UnsignedInteger, &ffi_type_uint16};
        return true;
    case 'i':
    case 'l':
        out = {TypeKind::SignedInteger, &ffi_type_sint32};
        return true;
    case 'I':
    case 'L':
        out = {TypeKind::UnsignedInteger, &ffi_type_uint32};
        return true;
    case 'q':
        out = {TypeKind::SignedInteger, &ffi_type_sint64};
        return true;
    case 'Q':
        out = {TypeKind::UnsignedInteger, &ffi_type_uint64};
        return true;
    case 'f':
        out = {TypeKind::Float, &ffi_type_float};
        return true;
    case 'd':
        out = {TypeKind::Double, &ffi_type_double};
        return true;
    case 'D':
        out = {TypeKind::LongDouble, &ffi_type_longdouble};
        return true;
    case '*':
    case '#':
    case ':':
        out = {TypeKind::Pointer, &ffi_type_pointer};
        return true;
    default:
        return false;
    }
}

bool isWordKind(TypeKind kind) {
    return kind == TypeKind::SignedInteger || kind == TypeKind::UnsignedInteger ||
           kind == TypeKind::Pointer;
}

} // namespace

// A recursive-descent reader of one method encoding. Every failure returns false; nothing is
// read past the end of the text and nesting is bounded, so hostile encodings are refused.
class MethodSignature::Parser {
public:
    Parser(MethodSignature& signature, std::string_view text) : m_sig(signature), m_text(text) {}

    bool parse() {
        if (!topLevel(m_sig.m_result, true)) {
            return false;
        }
        while (skipQualifiers(), m_pos < m_text.size()) {
            EncodedType argument;
            if (!topLevel(argument, false)) {
                return false;
            }
            m_sig.m_arguments.push_back(argument);
        }
        return true;
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    void skipQualifiers() {
        while (std::strchr("rnNoORVA", peek()) != nullptr && peek() != '\0') {
            ++m_pos;
        }
    }

    void skipOffset() {
        if (peek() == '-' || peek() == '+') {
            ++m_pos;
        }
        while (std::isdigit(static_cast<unsigned char>(peek()))) {
            ++m_pos;
        }
    }

    bool skipQuoted() {
        if (peek() != '"') {
            return true;
        }
        const std::size_t end = m_text.find('"', m_pos + 1);
        if (end == std::string_view::npos) {
            return false;
        }
        m_pos = end + 1;
        return true;
    }

    bool topLevel(EncodedType& out, bool isResult) {
        skipQualifiers();
        std::size_t repeat = 1;
        const std::size_t start = m_sig.m_canonical.size();
        if (!value(out, 0, false, repeat)) {
            return false;
        }
        out.text = m_sig.m_canonical.substr(start);
        if (out.kind == TypeKind::Void && !isResult) {
            return false;
        }
        skipOffset();
        return true;
    }

    // Reads one type. Inside a structure an array stands for `repeat` inline elements; as a
    // method argument it is passed as a pointer, as C passes arrays.
    bool value(EncodedType& out, int depth, bool inStruct, std::size_t& repeat) {
        if (depth > kMaxNesting) {
            return false;
        }
        skipQualifiers();
        const char code = peek();
        if (code == '\0') {
            return false;
        }
        ++m_pos;
        out.code = code;
        Primitive primitive{};
        if (primitiveFor(code, primitive)) {
            m_sig.m_canonical += code;
            out.kind = primitive.kind;
            out.ffi = primitive.ffi;
            return true;
        }
        switch (code) {
        case 'v':
            m_sig.m_canonical += code;
            out.kind = TypeKind::Void;
            out.ffi = &ffi_type_void;
            return !inStruct;
        case '@':
            m_sig.m_canonical += code;
            if (peek() == '?') { // a block
                ++m_pos;
            } else if (!skipQuoted()) {
                return false;
            }
            out.kind = TypeKind::Pointer;
            out.ffi = &ffi_type_pointer;
            return true;
        case '^':
            m_sig.m_canonical += code;
            out.kind = TypeKind::Pointer;
            out.ffi = &ffi_type_pointer;
            return pointee(depth + 1);
        case '[':
            return array(out, depth, inStruct, repeat);
        case '{':
            return structure(out, depth);
        default: // unions, bit fields, unknown codes
            return false;
        }
    }

    // The type a pointer points at only has to be well formed; it is never passed by value.
    bool pointee(int depth) {
        if (peek() == '?') {
            ++m_pos;
            m_sig.m_canonical += '?';
            return true;
        }
        if (peek() == '{') { // possibly an opaque structure: {name} or a full one
            const std::size_t close = matchingBrace(m_pos);
            if (close == std::string_view::npos) {
                return false;
            }
            m_sig.m_canonical.append(m_text.substr(m_pos, close + 1 - m_pos));
            m_pos = close + 1;
            return true;
        }
        EncodedType ignored;
        std::size_t repeat = 1;
        // A pointee of void is fine ("^v").
        if (peek() == 'v') {
            ++m_pos;
            m_sig.m_canonical += 'v';
            return true;
        }
        return value(ignored, depth, true, repeat);
    }

    std::size_t matchingBrace(std::size_t open) const {
        int level = 0;
        for (std::size_t i = open; i < m_text.size() && i - open < 4096; ++i) {
            if (m_text[i] == '{') {
                ++level;
            } else if (m_text[i] == '}' && --level == 0) {
                return i;
            } else if (m_text[i] == '"') {
                const std::size_t end = m_text.find('"', i + 1);
                if (end == std::string_view::npos) {
                    return std::string_view::npos;
                }
                i = end;
            }
        }
        return std::string_view::npos;
    }

    bool array(EncodedType& out, int depth, bool inStruct, std::size_t& repeat) {
        std::size_t count = 0;
        const std::size_t digitsStart = m_pos;
        while (std::isdigit(static_cast<unsigned char>(peek()))) {
            count = count * 10 + static_cast<std::size_t>(peek() - '0');
            if (count > kMaxArrayCount) {
                return false;
            }
            ++m_pos;
        }
        if (m_pos == digitsStart) {
            return false;
        }
        m_sig.m_canonical += '[';
        m_sig.m_canonical.append(m_text.substr(digitsStart, m_pos - digitsStart));
        EncodedType element;
        std::size_t innerRepeat = 1;
        if (!value(element, depth + 1, true, innerRepeat) || peek() != ']') {
            return false;
        }
        ++m_pos;
        m_sig.m_canonical += ']';
        if (!inStruct) {
            out.kind = TypeKind::Pointer;
            out.ffi = &ffi_type_pointer;
            return true;
        }
        if (count == 0 || count * innerRepeat > kMaxStructFields) {
            return false;
        }
        out = element;
        repeat = count * innerRepeat;
        return true;
    }

    bool structure(EncodedType& out, int depth) {
        const std::size_t nameEnd = m_text.find_first_of("=}", m_pos);
        if (nameEnd == std::string_view::npos || m_text[nameEnd] != '=') {
            return false; // opaque structures cannot be passed by value
        }
        m_sig.m_canonical += '{';
        m_sig.m_canonical.append(m_text.substr(m_pos, nameEnd + 1 - m_pos));
        m_pos = nameEnd + 1;
        std::vector<ffi_type*> fields;
        while (peek() != '}') {
            if (peek() == '\0' || !skipQuoted()) {
                return false;
            }
            EncodedType field;
            std::size_t repeat = 1;
            if (!value(field, depth + 1, true, repeat) ||
                fields.size() + repeat > kMaxStructFields) {
                return false;
            }
            fields.insert(fields.end(), repeat, field.ffi);
        }
        ++m_pos;
        m_sig.m_canonical += '}';
        if (fields.empty()) {
            return false;
        }
        fields.push_back(nullptr);
        auto& stored = m_sig.m_structFields.emplace_back(std::move(fields));
        ffi_type& type = m_sig.m_structTypes.emplace_back();
        type.size = 0;
        type.alignment = 0;
        type.type = FFI_TYPE_STRUCT;
        type.elements = stored.data();
        out.kind = TypeKind::Structure;
        out.ffi = &type;
        return true;
    }

    MethodSignature& m_sig;
    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::shared_ptr<const MethodSignature> MethodSignature::parse(std::string_view encoding) {
    std::shared_ptr<MethodSignature> signature(new MethodSignature());
    Parser parser(*signature, encoding);
    if (!parser.parse() || signature->m_arguments.size() < 2 ||
        signature->m_arguments[0].code == '{' || signature->m_arguments[1].code != ':') {
        return nullptr;
    }
    for (const EncodedType& argument : signature->m_arguments) {
        signature->m_ffiArguments.push_back(argument.ffi);
    }
    if (ffi_prep_cif(&signature->m_cif, FFI_DEFAULT_ABI,
                     static_cast<unsigned>(signature->m_ffiArguments.size()),
                     signature->m_result.ffi, signature->m_ffiArguments.data()) != FFI_OK) {
        return nullptr;
    }
    // libffi has laid out every structure now; take the sizes from it.
    auto sizeOf = [](EncodedType& type) {
        type.size = type.kind == TypeKind::Void ? 0 : type.ffi->size;
    };
    sizeOf(signature->m_result);
    bool wordCallable =
        signature->m_result.kind == TypeKind::Void || isWordKind(signature->m_result.kind);
    for (EncodedType& argument : signature->m_arguments) {
        sizeOf(argument);
        wordCallable = wordCallable && isWordKind(argument.kind);
    }
    signature->m_wordCallable = wordCallable;
    return signature;
}

bool MethodSignature::isCompatibleWith(const MethodSignature& other) const {
    auto same = [](const EncodedType& a, const EncodedType& b) {
        return a.kind == b.kind && (a.kind == TypeKind::Pointer || a.text == b.text);
    };
    if (!same(m_result, other.m_result) || m_arguments.size() != other.m_arguments.size()) {
        return false;
    }
    for (std::size_t i = 2; i < m_arguments.size(); ++i) {
        if (!same(m_arguments[i], other.m_arguments[i])) {
            return false;
        }
    }
    return true;
}

std::uint64_t MethodSignature::widenWordResult(std::uint64_t raw) const {
    switch (m_result.kind) {
    case TypeKind::Void:
        return 0;
    case TypeKind::SignedInteger:
    case TypeKind::UnsignedInteger:
        if (m_result.code == 'B') {
            return (raw & 0xff) != 0 ? 1 : 0;
        }
        return m_result.size >= 8 ? raw : raw & ((std::uint64_t{1} << (8 * m_result.size)) - 1);
    default:
        return raw;
    }
}

} // namespace sondrel::objc
