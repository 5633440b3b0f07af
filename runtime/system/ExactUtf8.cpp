#include "runtime/system/ExactUtf8.h"

namespace sondrel::system {

std::optional<std::string> ExactUtf8(core::TextView text) {
    std::string bytes = core::TextToUtf8(text);
    if (bytes.find('\0') != std::string::npos || core::Utf8ToText(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace sondrel::system
