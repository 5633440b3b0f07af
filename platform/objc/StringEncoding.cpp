#include "platform/objc/StringEncoding.h"

#include <array>
#include <cstring>

namespace sondrel::objc {
namespace {

constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int encodeCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return unit;
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == unit) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

} // namespace

std::size_t decodeUtf8Sequence(std::string_view bytes, std::size_t at, char32_t& point) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (length > bytes.size() - at) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    point = cp;
    return length;
}

void appendUtf16(std::u16string& out, char32_t point) {
    if (point >= 0x10000) {
        point -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (point >> 10));
        out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    } else {
        out += static_cast<char16_t>(point);
    }
}

bool decodeUtf8(std::string_view bytes, std::u16string& out) {
    out.clear();
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t point = 0;
        const std::size_t length = decodeUtf8Sequence(bytes, at, point);
        if (length == 0) {
            return false;
        }
        appendUtf16(out, point);
        at += length;
    }
    return true;
}

std::string encodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

char16_t decodeCp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

bool decodeBytes(const void* bytes, std::size_t length, std::uint64_t encoding,
                 std::u16string& out) {
    out.clear();
    if (bytes == nullptr) {
        return length == 0;
    }
    const auto* data = static_cast<const unsigned char*>(bytes);
    switch (encoding) {
    case kASCIIStringEncoding:
        for (std::size_t i = 0; i < length; ++i) {
            if (data[i] > 0x7F) {
                return false;
            }
            out += static_cast<char16_t>(data[i]);
        }
        return true;
    case kUTF8StringEncoding:
        return decodeUtf8(std::string_view(reinterpret_cast<const char*>(data), length), out);
    case kISOLatin1StringEncoding:
        out.assign(data, data + length);
        return true;
    case kWindowsCP1252StringEncoding:
        for (std::size_t i = 0; i < length; ++i) {
            out += decodeCp1252(data[i]);
        }
        return true;
    case kUnicodeStringEncoding: {
        if (length % 2 != 0) {
            return false;
        }
        out.resize(length / 2);
        std::memcpy(out.data(), data, length);
        if (!out.empty() && out.front() == 0xFEFF) {
            out.erase(0, 1);
        }
        return true;
    }
    default:
        return false;
    }
}

bool encodeText(std::u16string_view text, std::uint64_t encoding, bool lossy, std::string& out) {
    out.clear();
    auto narrow = [&](auto mapping) {
        for (char16_t unit : text) {
            const int byte = mapping(unit);
            if (byte < 0 && !lossy) {
                return false;
            }
            out += static_cast<char>(byte < 0 ? '?' : byte);
        }
        return true;
    };
    switch (encoding) {
    case kASCIIStringEncoding:
        return narrow([](char16_t unit) { return unit < 0x80 ? int{unit} : -1; });
    case kISOLatin1StringEncoding:
        return narrow([](char16_t unit) { return unit < 0x100 ? int{unit} : -1; });
    case kWindowsCP1252StringEncoding:
        return narrow(encodeCp1252);
    case kUTF8StringEncoding:
        out = encodeUtf8(text);
        return true;
    case kUnicodeStringEncoding:
        out.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        return true;
    default:
        return false;
    }
}

} // namespace sondrel::objc
