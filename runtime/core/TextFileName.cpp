#include "runtime/core/TextFileName.h"

namespace sondrel::core {
namespace {

// The length of the UTF-8 sequence `lead` starts, or 0 for a byte that
// starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

} // namespace

Text FileNameToText(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const std::size_t length = SequenceLength(lead);
        const std::string_view sequence = bytes.substr(at, length);
        if (length != 0 && sequence.size() == length && IsWellFormedUtf8(sequence)) {
            out += Utf8ToText(sequence);
            at += length;
        } else {
            // Bytes below 0x80 always form a sequence, so this is 0x80 to 0xFF.
            out.push_back(static_cast<char16_t>(0xDC00 + lead));
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
