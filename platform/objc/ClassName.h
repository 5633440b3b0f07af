#pragma once

// Classes named in the source: "NSTextStorage"_class is the class of that name, looked up at each
// use as lookUpClass does (nil when the program defines none). Every name written this way is
// listed while the program starts, whether or not the line ever runs, so a test can check each
// against the classes the program defines: a misspelt name fails that test instead of sending
// its messages to nil.

#include <string_view>
#include <vector>

#include "platform/objc/Object.h"
#include "platform/objc/Runtime.h"
#include "platform/objc/SelectorName.h"

namespace sondrel::objc {

// Adds a class name (the text must live as long as the program) and returns it.
std::string_view noteClassName(std::string_view name);

// Every class name noted so far, each once, in order.
std::vector<std::string_view> classNamesUsed();

namespace detail {

// One per class named in the source: noted while the program starts.
template <SelectorText Name> struct NamedClass {
    static inline const std::string_view name = noteClassName(Name.view());
};

} // namespace detail

namespace literals {

template <SelectorText Name> Class operator""_class() {
    // Empty only for a use while the static initialisers still run.
    const std::string_view noted = detail::NamedClass<Name>::name;
    return lookUpClass(noted.empty() ? Name.view() : noted);
}

} // namespace literals
} // namespace sondrel::objc
