#pragma once

// The formatters of string gadgets, one new instance per field. Each checks the user's edits:
//   RTMaximumLengthFormatter  texts up to maxLength units (2147483647 at first);
//   RTUpperCaseFormatter      the same, and shows the text in upper case;
//   RTLowerCaseFormatter      the same, and shows the text in lower case;
//   RTNumericFormatter        the same, and only the digits 0 to 9.
// The last three are subclasses of the first, so every one has the maximum length.

#include <cstdint>
#include <limits>

#include "platform/objc/Object.h"

namespace sondrel::controls {

class RTMaximumLengthFormatterObject : public objc::Object {
public:
    using Object::Object;
    std::int32_t maxLength = std::numeric_limits<std::int32_t>::max();
};

// The formatter of a live string gadget field, or null.
RTMaximumLengthFormatterObject* MaximumLengthFormatterOf(const void* object);

} // namespace sondrel::controls
