#include "runtime/core/Text.h"

#include <algorithm>
#include <charconv>
#include <cwctype>

#include "runtime/core/Utf8.h"

namespace sondrel::core {
namespace {

char16_t foldCase(char16_t unit) {
    const std::wint_t lower = std::towlower(static_cast<std::wint_t>(unit));
    return lower <= 0xFFFF ? static_cast<char16_t>(lower) : unit;
}

// Whether `sought` stands in `text` at index `at` (the caller guarantees room).
bool matchesAt(TextView text, std::size_t at, TextView sought, bool ignoreCase) {
    if (!ignoreCase) {
        return text.compare(at, sought.size(), sought) == 0;
    }
    for (std::size_t i = 0; i < sought.size(); ++i) {
        if (foldCase(text[at + i]) != foldCase(sought[i])) {
            return false;
        }
    }
    return true;
}

std::size_t clampCount(std::int64_t count, std::size_t length) {
    if (count <= 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(count), length);
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Number of leading bytes that form well-formed UTF-8; calls `sink` with each
// decoded code point.
template <typename Sink> std::size_t walkUtf8(std::string_view bytes, Sink&& sink) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t point = 0;
        const std::size_t length = DecodeUtf8(bytes, at, point);
        if (length == 0) {
            break;
        }
        sink(point);
        at += length;
    }
    return at;
}

} // namespace

std::int64_t TextLength(TextView text) {
    return static_cast<std::int64_t>(text.size());
}

std::int64_t FindText(TextView text, TextView sought, std::int64_t start, int mode) {
    if (text.empty() || sought.empty()) {
        return 0;
    }
    const std::int64_t length = TextLength(text);
    if (start <= 0) {
        start = 1;
    }
    if (start > length || TextLength(sought) > length - (start - 1)) {
        return 0;
    }
    const bool ignoreCase = (mode & kTextIgnoreCase) != 0;
    const std::size_t last = text.size() - sought.size();
    for (auto at = static_cast<std::size_t>(start - 1); at <= last; ++at) {
        if (matchesAt(text, at, sought, ignoreCase)) {
            return static_cast<std::int64_t>(at) + 1;
        }
    }
    return 0;
}

Text LeftText(TextView text, std::int64_t count) {
    return Text(text.substr(0, clampCount(count, text.size())));
}

Text RightText(TextView text, std::int64_t count) {
    const std::size_t taken = clampCount(count, text.size());
    return Text(text.substr(text.size() - taken));
}

Text RemoveText(TextView text, TextView sought, int mode, std::int64_t start, std::int64_t count) {
    if (sought.empty() || count == 0 || start > TextLength(text)) {
        return Text(text);
    }
    const bool ignoreCase = (mode & kTextIgnoreCase) != 0;
    std::size_t at = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
    Text result(text.substr(0, at));
    result.reserve(text.size());
    std::int64_t removed = 0;
    while (at < text.size()) {
        if (count > 0 && removed == count) {
            break;
        }
        if (sought.size() <= text.size() - at && matchesAt(text, at, sought, ignoreCase)) {
            at += sought.size();
            ++removed;
        } else {
            result.push_back(text[at++]);
        }
    }
    result.append(text.substr(at));
    return result;
}

Text NumberText(std::int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    return Text(digits, end);
}

bool TextEquals(TextView a, TextView b) {
    return a == b;
}

std::string TextToUtf8(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (isHighSurrogate(unit)) {
            if (i + 1 >= text.size() || !isLowSurrogate(text[i + 1])) {
                break;
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (isLowSurrogate(unit)) {
            break;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

Text Utf8ToText(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    walkUtf8(bytes, [&out](char32_t point) { AppendUtf16(out, point); });
    return out;
}

bool IsWellFormedUtf8(std::string_view bytes) {
    return walkUtf8(bytes, [](char32_t) {}) == bytes.size();
}

std::string TextToLatin1(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        if (unit <= 0xFF) {
            out.push_back(static_cast<char>(unit));
        }
    }
    return out;
}

Text Latin1ToText(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        out.push_back(static_cast<unsigned char>(byte));
    }
    return out;
}

} // namespace sondrel::core
