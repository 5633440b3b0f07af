#include "runtime/windowing/MenuText.h"

#include <cwctype>
#include <vector>

namespace sondrel::windowing {
namespace {

std::vector<core::Text> Split(core::TextView text, char16_t separator) {
    std::vector<core::Text> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == core::TextView::npos ? end : end - start));
        if (end == core::TextView::npos)
            return parts;
        start = end + 1;
    }
}

core::Text MapCase(core::TextView text, bool upper) {
    core::Text result(text);
    for (char16_t& unit : result) {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue; // surrogate halves have no case of their own
        const auto mapped = upper ? std::towupper(unit) : std::towlower(unit);
        if (mapped > 0 && mapped <= 0xFFFF)
            unit = static_cast<char16_t>(mapped);
    }
    return result;
}

// 1 to 12 for "F1" to "F12", else 0.
int FunctionKeyNumber(const core::Text& token) {
    if (token.size() < 2 || token.size() > 3 || token[0] != u'F')
        return 0;
    int number = 0;
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] < u'0' || token[i] > u'9')
            return 0;
        number = number * 10 + (token[i] - u'0');
    }
    if (token[1] == u'0')
        return 0;
    return number >= 1 && number <= 12 ? number : 0;
}

} // namespace

core::Text StripMenuAmpersands(core::TextView text) {
    core::Text result;
    result.reserve(text.size());
    for (char16_t unit : text) {
        if (unit != u'&')
            result.push_back(unit);
    }
    return result;
}

MenuItemText ParseMenuItemText(core::TextView text) {
    const std::vector<core::Text> parts = Split(StripMenuAmpersands(text), u'\t');
    MenuItemText item;
    item.title = parts[0];
    if (parts.size() < 2)
        return item;
    for (const core::Text& token : Split(MapCase(parts[1], true), u'+')) {
        if (token == u"CMD") {
            item.modifierMask |= kCommandKeyMask;
        } else if (token == u"SHIFT") {
            item.modifierMask |= kShiftKeyMask;
        } else if (token == u"ALT") {
            item.modifierMask |= kOptionKeyMask;
        } else if (token == u"CTRL") {
            item.modifierMask |= kControlKeyMask;
        } else if (const int function = FunctionKeyNumber(token); function != 0) {
            item.keyEquivalent = core::Text(1, static_cast<char16_t>(kF1Character + function - 1));
            item.modifierMask |= kFunctionKeyMask;
        } else {
            item.keyEquivalent = MapCase(token, false);
        }
    }
    return item;
}

} // namespace sondrel::windowing
