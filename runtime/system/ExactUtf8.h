#pragma once

// Texts handed to the system (paths, program names, arguments) must arrive
// whole: a text cut short at an unpaired surrogate could name another file,
// and a zero character would cut it short inside the system call.

#include "runtime/core/Text.h"

#include <optional>
#include <string>

namespace sondrel::system {

// The UTF-8 form of `text`, or nothing when it does not convert completely or
// holds a zero character. The bytes of a file name that is not UTF-8, which
// its text holds as lone surrogates U+DC80 to U+DCFF (TextFileName.h), are
// given back as they were, so such a file can be named again.
std::optional<std::string> ExactUtf8(core::TextView text);

} // namespace sondrel::system
