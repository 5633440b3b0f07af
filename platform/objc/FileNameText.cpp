#include "platform/objc/FileNameText.h"

#include "platform/objc/StringEncoding.h"

namespace sondrel::objc {

std::u16string fileNameToText(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t point = 0;
        if (const std::size_t length = decodeUtf8Sequence(bytes, at, point)) {
            appendUtf16(text, point);
            at += length;
        } else {
            // Bytes below 0x80 always form a sequence, so this is 0x80 to 0xFF.
            text.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return text;
}

std::optional<std::string> textToFileName(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isEscapedFileNameByte(text, i))
            continue;
        // A run with a lone surrogate of another kind does not come back whole.
        const std::u16string_view run = text.substr(start, i - start);
        const std::string utf8 = encodeUtf8(run);
        std::u16string back;
        if (!decodeUtf8(utf8, back) || back != run)
            return std::nullopt;
        bytes += utf8;
        if (i < text.size())
            bytes.push_back(static_cast<char>(text[i] - 0xDC00));
        start = i + 1;
    }
    return bytes;
}

bool isEscapedFileNameByte(std::u16string_view text, std::size_t at) {
    const char16_t unit = text[at];
    const bool paired = at > 0 && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF;
    return unit >= 0xDC80 && unit <= 0xDCFF && !paired;
}

} // namespace sondrel::objc
