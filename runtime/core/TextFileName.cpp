#include "runtime/core/TextFileName.h"

#include "platform/objc/FileNameText.h"

namespace sondrel::core {

Text FileNameToText(std::string_view bytes) {
    return objc::fileNameToText(bytes);
}

std::optional<std::string> TextToFileName(TextView text) {
    return objc::textToFileName(text);
}

bool IsEscapedByteAt(TextView text, std::size_t at) {
    return objc::isEscapedFileNameByte(text, at);
}

Text FileNameForDisplay(TextView text) {
    Text shown(text);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (IsEscapedByteAt(text, i)) {
            shown[i] = u'\uFFFD';
        }
    }
    return shown;
}

} // namespace sondrel::core
