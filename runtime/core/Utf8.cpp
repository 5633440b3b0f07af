#include "runtime/core/Utf8.h"

#include <array>

namespace sondrel::core {
namespace {

constexpr std::array<Utf8Lead, 256> kLeads = [] {
    std::array<Utf8Lead, 256> leads{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (byte < 0x80) {
            leads[byte] = {1, 0x7F};
        } else if ((byte & 0xE0) == 0xC0) {
            leads[byte] = {2, 0x1F};
        } else if ((byte & 0xF0) == 0xE0) {
            leads[byte] = {3, 0x0F};
        } else if ((byte & 0xF8) == 0xF0) {
            leads[byte] = {4, 0x07};
        } else {
            leads[byte] = {0, 0};
        }
    }
    return leads;
}();

// The smallest code point each length may encode; anything less is an overlong form.
constexpr std::array<char32_t, 5> kSmallest = {0, 0, 0x80, 0x800, 0x10000};

} // namespace

Utf8Lead Utf8LeadOf(std::uint8_t byte) {
    return kLeads[byte];
}

std::size_t DecodeUtf8(std::string_view bytes, std::size_t at, char32_t& point) {
    const auto first = static_cast<std::uint8_t>(bytes[at]);
    const Utf8Lead lead = kLeads[first];
    if (lead.length == 0 || lead.length > bytes.size() - at) {
        return 0;
    }
    char32_t value = first & lead.payload;
    for (std::size_t i = 1; i < lead.length; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[at + i]);
        if (!IsUtf8Continuation(next)) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < kSmallest[lead.length] || (value >= 0xD800 && value <= 0xDFFF) ||
        value > 0x10FFFF) {
        return 0;
    }
    point = value;
    return lead.length;
}

void AppendUtf16(Text& out, char32_t point) {
    if (point < 0x10000) {
        out.push_back(static_cast<char16_t>(point));
        return;
    }
    point -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out.push_back(static_cast<char>(point));
    } else if (point < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (point >> 6)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else if (point < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (point >> 12)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (point >> 18)));
        out.push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (point & 0x3F)));
    }
}

} // namespace sondrel::core
