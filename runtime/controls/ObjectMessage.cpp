#include "runtime/controls/ObjectMessage.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/objc/Invocation.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::controls {
namespace {

constexpr std::size_t kSelectorBuffer = 264; // the class name or the selector, plus terminator
constexpr std::size_t kMaxDirectArguments = 4;

// Reads zero-terminated texts of one width; characters of names are the low bytes of units.
class TextReader {
public:
    explicit TextReader(bool wide) : m_wide(wide) {}

    char16_t unit(const void* text, std::size_t index) const {
        if (!m_wide) {
            return static_cast<unsigned char>(static_cast<const char*>(text)[index]);
        }
        char16_t value = 0;
        std::memcpy(&value, static_cast<const char*>(text) + 2 * index, sizeof value);
        return value;
    }

    std::u16string text(const void* text) const {
        std::u16string result;
        for (std::size_t i = 0; char16_t c = unit(text, i); ++i) {
            result += c;
        }
        return result;
    }

private:
    bool m_wide;
};

// The selector and suffixes of a call, built as the text describes them.
struct ParsedCall {
    const void* receiver = nullptr;
    std::string selector;
    std::array<char, 8> suffixes{};
    std::size_t count = 0;
    bool needsInvocation = false;
};

// Moves the class name in front of the first piece's space into a class receiver. False when
// the name does not fit the buffer.
bool takeClassName(const TextReader& reader, const void* piece, ParsedCall& parsed,
                   std::size_t& firstStart) {
    std::string name;
    for (std::size_t i = 0;; ++i) {
        const char16_t c = reader.unit(piece, i);
        if (c == 0) {
            return true; // no class name: the receiver stays null and the call fails
        }
        if (c == u' ') {
            parsed.receiver = objc::lookUpClass(name);
            firstStart = i + 1;
            return true;
        }
        if (name.size() + 1 >= kSelectorBuffer) {
            return false;
        }
        name += static_cast<char>(c & 0xFF);
    }
}

bool parse(const MessageCall& call, const TextReader& reader, ParsedCall& parsed) {
    parsed.receiver = call.receiver;
    std::size_t firstStart = 0;
    if (call.receiver == nullptr && !takeClassName(reader, call.pieces[0], parsed, firstStart)) {
        return false;
    }
    for (std::size_t p = 0; p < call.pieces.size() && call.pieces[p] != nullptr; ++p) {
        const std::size_t pieceStart = parsed.selector.size();
        for (std::size_t i = p == 0 ? firstStart : 0;; ++i) {
            const char16_t c = reader.unit(call.pieces[p], i);
            if (c == 0) {
                break;
            }
            if (parsed.selector.size() + 1 >= kSelectorBuffer) {
                return false;
            }
            parsed.selector += static_cast<char>(c & 0xFF);
        }
        if (parsed.selector.size() > pieceStart &&
            (parsed.selector.back() == '$' || parsed.selector.back() == '@')) {
            parsed.suffixes[p] = parsed.selector.back();
            parsed.selector.pop_back();
            parsed.needsInvocation = true;
        }
        parsed.count = p + 1;
    }
    // A selector without a colon takes no argument; a lone piece's suffix was part of its name.
    if (parsed.selector.empty() || parsed.selector.back() != ':') {
        --parsed.count;
        if (parsed.count == 0 && parsed.suffixes[0] != 0) {
            parsed.selector += parsed.suffixes[0];
            parsed.suffixes[0] = 0;
            parsed.needsInvocation = false;
        }
    }
    return true;
}

std::uint64_t invoke(const MessageCall& call, const TextReader& reader, const ParsedCall& parsed,
                     const objc::Method& method) {
    objc::Invocation invocation(method.signature);
    invocation.setTarget(static_cast<objc::id>(const_cast<void*>(parsed.receiver)));
    invocation.setSelector(method.selector);
    for (std::size_t i = 0; i < parsed.count; ++i) {
        std::uint64_t word = call.words[i];
        const char suffix = parsed.suffixes[i];
        if (word == 0 && suffix != 0) {
            continue; // the parameter keeps its zero: nil, or a structure of zeros
        }
        if (suffix == '@') {
            invocation.setArgument(i + 2, reinterpret_cast<const void*>(word));
            continue;
        }
        if (suffix == '$') {
            const void* text = reinterpret_cast<const void*>(word);
            word =
                reinterpret_cast<std::uint64_t>(objc::autoreleasedNativeString(reader.text(text)));
        }
        invocation.setArgument(i + 2, &word, sizeof word);
    }
    invocation.invoke(method.implementation);
    const std::size_t length = method.signature->returnLength();
    if (length == 0) {
        return 0;
    }
    if (call.result != nullptr) {
        invocation.getReturnValue(call.result);
        return 0;
    }
    if (length > sizeof(std::uint64_t)) {
        return 0;
    }
    std::uint64_t result = 0;
    invocation.getReturnValue(&result);
    return result;
}

} // namespace

std::uint64_t SendMessageCall(const MessageCall& call, MessagePath* path) {
    if (path != nullptr) {
        *path = MessagePath::NotSent;
    }
    const auto* first = static_cast<const unsigned char*>(call.pieces[0]);
    if (first == nullptr || first[0] == 0) {
        return 0;
    }
    const TextReader reader(first[1] == 0);
    ParsedCall parsed;
    if (!parse(call, reader, parsed)) {
        return 0;
    }
    const objc::Method* method =
        objc::findMethod(parsed.receiver, objc::registerSelector(parsed.selector));
    if (method == nullptr || parsed.count + 2 > method->signature->argumentCount()) {
        return 0; // no such method, or more arguments than it takes: nothing is sent
    }
    if (call.result == nullptr && !parsed.needsInvocation && parsed.count <= kMaxDirectArguments &&
        method->signature->isWordCallable()) {
        if (path != nullptr) {
            *path = MessagePath::Direct;
        }
        return objc::callWithWords(*method, parsed.receiver,
                                   std::span(call.words.data(), parsed.count));
    }
    if (path != nullptr) {
        *path = MessagePath::Invocation;
    }
    return invoke(call, reader, parsed, *method);
}

namespace {

Word send(void* result, const void* receiver, std::initializer_list<Piece> pieces,
          std::initializer_list<Word> words) {
    MessageCall call;
    call.result = result;
    call.receiver = receiver;
    std::copy(pieces.begin(), pieces.end(), call.pieces.begin());
    std::copy(words.begin(), words.end(), call.words.begin());
    return SendMessageCall(call);
}

} // namespace

Word SendObjectMessage(void* result, const void* receiver, Piece p1) {
    return send(result, receiver, {p1}, {});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1) {
    return send(result, receiver, {p1}, {w1});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2) {
    return send(result, receiver, {p1, p2}, {w1, w2});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3) {
    return send(result, receiver, {p1, p2, p3}, {w1, w2, w3});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4) {
    return send(result, receiver, {p1, p2, p3, p4}, {w1, w2, w3, w4});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5) {
    return send(result, receiver, {p1, p2, p3, p4, p5}, {w1, w2, w3, w4, w5});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6) {
    return send(result, receiver, {p1, p2, p3, p4, p5, p6}, {w1, w2, w3, w4, w5, w6});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6,
                       Piece p7, Word w7) {
    return send(result, receiver, {p1, p2, p3, p4, p5, p6, p7}, {w1, w2, w3, w4, w5, w6, w7});
}

Word SendObjectMessage(void* result, const void* receiver, Piece p1, Word w1, Piece p2, Word w2,
                       Piece p3, Word w3, Piece p4, Word w4, Piece p5, Word w5, Piece p6, Word w6,
                       Piece p7, Word w7, Piece p8, Word w8) {
    return send(result, receiver, {p1, p2, p3, p4, p5, p6, p7, p8},
                {w1, w2, w3, w4, w5, w6, w7, w8});
}

} // namespace sondrel::controls
