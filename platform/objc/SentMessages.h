#pragma once

// The messages the program sends by name from C++, each with the type encoding its C++ types
// give ("c@:@" for send<BOOL>(window, "makeFirstResponder:"_sel, view)). Every typed send of a
// "name"_sel adds its selector and types here while the program starts, whether or not it ever
// runs, so a test can check each one against the classes that answer it.

#include <string_view>
#include <vector>

#include "platform/objc/Object.h"

namespace sondrel::objc {

struct SentMessage {
    std::string_view selector;
    std::string_view types;
    bool operator==(const SentMessage&) const = default;
};

// Adds a message (the texts must live as long as the program) and returns its selector.
SEL noteSentMessage(std::string_view selector, std::string_view types);

// Every message noted so far, each once.
std::vector<SentMessage> sentMessages();

} // namespace sondrel::objc
