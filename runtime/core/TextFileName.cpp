#include "runtime/core/TextFileName.h"

#include "runtime/core/Utf8.h"

namespace sondrel::core {

Text FileNameToText(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t point = 0;
        if (const std::size_t length = DecodeUtf8(bytes, at, point)) {
            AppendUtf16(out, point);
            at += length;
        } else {
            // Bytes below 0x80 always form a sequence, so this is 0x80 to 0xFF.
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return out;
}

std::optional<std::string> TextToFileName(TextView text) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    // Adds the text from `start` to `end`, which must convert whole.
    const auto addRun = [&](std::size_t end) {
        const TextView run = text.substr(start, end - start);
        std::string bytes = TextToUtf8(run);
        if (Utf8ToText(bytes) != run) {
            return false;
        }
        out += bytes;
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsEscapedByteAt(text, i)) {
            if (!addRun(i)) {
                return std::nullopt;
            }
            out.push_back(static_cast<char>(text[i] - 0xDC00));
            start = i + 1;
        }
    }
    if (!addRun(text.size())) {
        return std::nullopt;
    }
    return out;
}

bool IsEscapedByteAt(TextView text, std::size_t at) {
    const char16_t unit = text[at];
    const bool paired = at > 0 && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF;
    return unit >= 0xDC80 && unit <= 0xDCFF && !paired;
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
