#pragma once

// Message texts written in the source for SendObjectMessage: "setAlignment:"_msg (or
// u"initWithString:$"_msg for a call whose texts are UTF-16) is the piece itself, a pointer to the
// zero-terminated text, and the message it names is listed while the program starts, whether or
// not the line ever runs. A test checks every listed message against the classes of the program:
// some class must answer the selector, and a text naming its class ("NSColor
// colorWithPatternImage:") needs that class to answer it as a class method. A text send the
// program writes this way can therefore not name a message no class has.

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::controls {

struct TextMessage {
    std::string receiverClass; // empty: sent to an object
    std::string selector;      // without the argument suffix ("$", "@")
    bool operator==(const TextMessage&) const = default;
};

// Adds the text of a one-piece message as written ("NSColor colorWithPatternImage:",
// "scrollRangeToVisible:@"); returns true.
bool noteTextMessage(std::string_view text);

// Every message noted so far, each once.
std::vector<TextMessage> textMessages();

template <class Char, std::size_t N> struct MessageLiteral {
    consteval MessageLiteral(const Char (&written)[N]) {
        for (std::size_t i = 0; i < N; ++i)
            text[i] = written[i];
    }
    Char text[N]{};
};

namespace detail {

// One per message text in the source: the text in static storage, noted while the program starts.
template <MessageLiteral Text> struct NotedMessage {
    static constexpr auto stored = Text;
    static inline const bool noted =
        noteTextMessage(std::string(std::begin(Text.text), std::end(Text.text) - 1));
};

} // namespace detail

namespace literals {

template <MessageLiteral Text> const void* operator""_msg() {
    static_cast<void>(detail::NotedMessage<Text>::noted);
    return detail::NotedMessage<Text>::stored.text;
}

} // namespace literals
} // namespace sondrel::controls

namespace sondrel {
// The layers above write message texts this way.
using namespace controls::literals;
} // namespace sondrel
