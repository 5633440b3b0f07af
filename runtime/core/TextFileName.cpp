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
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsEscapedByte(text[i])) {
            continue;
        }
        // The run before this escaped byte must convert whole.
        const TextView run = text.substr(start, i - start);
        std::string bytes = TextToUtf8(run);
        if (Utf8ToText(bytes) != run) {
            return std::nullopt;
        }
        out += bytes;
        if (i < text.size()) {
            out.push_back(static_cast<char>(text[i] - 0xDC00));
        }
        start = i + 1;
    }
    return out;
}

} // namespace sondrel::core
