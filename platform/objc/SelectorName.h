#pragma once

// Selector names known at compile time: "setFrame:"_sel is an empty value whose type carries the
// name, so a send written with it interns its selector once, checks its argument count against
// the colons of the name while compiling, and is listed among the messages the program sends
// (see SentMessages.h).

#include <cstddef>
#include <string_view>

namespace sondrel::objc {

template <std::size_t N> struct SelectorText {
    consteval SelectorText(const char (&name)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            text[i] = name[i];
        }
    }
    constexpr std::string_view view() const { return {text, N - 1}; }
    // A selector takes one argument per colon ("insertItem:atIndex:" takes two).
    constexpr std::size_t argumentCount() const {
        std::size_t count = 0;
        for (std::size_t i = 0; i + 1 < N; ++i) {
            count += text[i] == ':' ? 1 : 0;
        }
        return count;
    }

    char text[N]{};
};

template <SelectorText Name> struct SelectorName {
    static constexpr std::string_view name = Name.view();
};

namespace literals {

template <SelectorText Name> consteval SelectorName<Name> operator""_sel() {
    return {};
}

} // namespace literals
} // namespace sondrel::objc

namespace sondrel {
// Every layer above the object runtime writes selectors this way.
using namespace objc::literals;
} // namespace sondrel
