#include "runtime/system/ExactUtf8.h"

#include "runtime/core/TextFileName.h"

namespace sondrel::system {

std::optional<std::string> ExactUtf8(core::TextView text) {
    std::optional<std::string> bytes = core::TextToFileName(text);
    if (!bytes || bytes->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace sondrel::system
