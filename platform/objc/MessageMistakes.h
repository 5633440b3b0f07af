#pragma once

// A message that a live receiver cannot take, sent from C++ with the typed send helpers
// (Messaging.h): no method answers the selector, or the method's type encoding differs from the
// C++ types of the call. Either is a mistake in the program, never a condition of its data, and
// it must not pass unnoticed as it would in a plain message to nil.
//
// Checked programs stop at the first one: debug builds, and every test program whatever its
// build type (test programs define sondrel_objc_stop_on_message_mistakes, see
// MessageChecksInTests.cpp), so the optimised trees that run the tests catch them too. Builds
// that ship answer such a message with a value-initialised result, as designed for a message
// to nil, and say so on standard error once for each selector and receiver class.

#include <string_view>

#include "platform/objc/Object.h"

namespace sondrel::objc {

// Where a send is written; the send helpers take it from the compiler.
struct CallSite {
    const char* file = "";
    unsigned line = 0;
};

enum class MessageChecking {
    Stop,   // report the mistake and abort
    Report, // report each selector and class once, then answer like nil
};

MessageChecking messageChecking();
// For tests of the reporting itself.
void setMessageChecking(MessageChecking checking);

// Handles a send of `selector` with the call encoding `callTypes` that found `method` (null when
// none) on `receiver`. Does nothing for nil or a pointer that is not a live object: those answer
// as nil by design.
void messageMistake(const void* receiver, SEL selector, const Method* method,
                    std::string_view callTypes, CallSite site);

} // namespace sondrel::objc
