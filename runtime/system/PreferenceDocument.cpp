#include "runtime/system/PreferenceDocument.h"

#include "runtime/core/Text.h"

#include <algorithm>

namespace sondrel::system {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

std::string_view trimStart(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view trimEnd(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool hasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool keyReadsBack(std::string_view key) {
    return !hasLineEnd(key) && key.find('=') == std::string_view::npos && trimStart(key) == key &&
           trimEnd(key) == key && !key.starts_with(';') && !key.starts_with('[');
}

bool valueReadsBack(std::string_view value) {
    return !hasLineEnd(value) && trimStart(value) == value;
}

bool groupReadsBack(std::string_view name) {
    return !hasLineEnd(name) && name.find(']') == std::string_view::npos;
}

} // namespace

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return foldAscii(x) == foldAscii(y); });
}

PreferenceDocument PreferenceDocument::parse(std::string_view bytes) {
    PreferenceDocument document;
    std::string converted;
    std::string_view text;
    if (bytes.size() > 2 && bytes.starts_with(kByteOrderMark)) {
        text = bytes.substr(kByteOrderMark.size());
    } else if (bytes.empty()) {
        document.m_byteOrderMark = false;
    } else {
        converted = core::TextToUtf8(core::Latin1ToText(bytes));
        text = converted;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && isLineEnd(text[pos])) {
            ++pos;
        }
        std::size_t end = pos;
        while (end < text.size() && !isLineEnd(text[end])) {
            ++end;
        }
        if (end > pos) {
            document.parseLine(text.substr(pos, end - pos));
        }
        pos = end;
    }
    return document;
}

void PreferenceDocument::parseLine(std::string_view line) {
    line = trimStart(line);
    if (line.empty()) {
        return;
    }
    if (line.front() == ';') {
        line.remove_prefix(1);
        if (line.starts_with(' ')) {
            line.remove_prefix(1);
        }
        m_entries.push_back({Kind::Comment, {}, std::string(line)});
    } else if (line.front() == '[') {
        line.remove_prefix(1);
        m_entries.push_back({Kind::Group, {}, std::string(line.substr(0, line.find(']')))});
    } else {
        std::size_t equals = line.find('=');
        std::string_view key = trimEnd(line.substr(0, equals));
        std::string_view value;
        if (equals != std::string_view::npos) {
            value = trimStart(line.substr(equals + 1));
        }
        m_entries.push_back({Kind::Key, std::string(key), std::string(value)});
    }
}

std::string PreferenceDocument::serialize(int options) const {
    std::string body;
    bool firstGroup = true;
    for (const Entry& entry : m_entries) {
        switch (entry.kind) {
        case Kind::Group:
            if ((options & kBlankLineBeforeGroups) && !firstGroup) {
                body += '\n';
            }
            firstGroup = false;
            body += '[' + entry.text + "]\n";
            break;
        case Kind::Comment:
            body += "; " + entry.text + '\n';
            break;
        case Kind::Key:
            body += entry.key + ((options & kCompactKeys) ? "=" : " = ") + entry.text + '\n';
            break;
        }
    }
    bool ascii = std::all_of(body.begin(), body.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!m_byteOrderMark && ascii) {
        return body;
    }
    return std::string(kByteOrderMark) + '\n' + body;
}

bool PreferenceDocument::selectGroup(std::string_view name) {
    if (name.empty()) {
        m_group.reset();
        m_pendingGroup.reset();
        return true;
    }
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->kind == Kind::Group && EqualIgnoringAsciiCase(it->text, name)) {
            m_group = it;
            m_pendingGroup.reset();
            return true;
        }
    }
    m_pendingGroup = std::string(name);
    return false;
}

PreferenceDocument::ConstIterator PreferenceDocument::groupBegin() const {
    return m_group ? std::next(ConstIterator(*m_group)) : m_entries.cbegin();
}

std::optional<std::string_view> PreferenceDocument::findValue(std::string_view key) const {
    if (m_pendingGroup) {
        return std::nullopt;
    }
    for (auto it = groupBegin(); it != m_entries.end() && it->kind != Kind::Group; ++it) {
        if (it->kind == Kind::Key && EqualIgnoringAsciiCase(it->key, key)) {
            return it->text;
        }
    }
    return std::nullopt;
}

bool PreferenceDocument::writeValue(std::string_view key, std::string_view value) {
    if (!keyReadsBack(key) || !valueReadsBack(value) ||
        (m_pendingGroup && !groupReadsBack(*m_pendingGroup))) {
        return false;
    }
    if (m_pendingGroup) {
        m_group = m_entries.insert(m_entries.end(), {Kind::Group, {}, std::move(*m_pendingGroup)});
        m_pendingGroup.reset();
    }
    auto it = m_group ? std::next(*m_group) : m_entries.begin();
    for (; it != m_entries.end() && it->kind != Kind::Group; ++it) {
        if (it->kind == Kind::Key && EqualIgnoringAsciiCase(it->key, key)) {
            it->key = key;
            it->text = value;
            return true;
        }
    }
    m_entries.insert(it, {Kind::Key, std::string(key), std::string(value)});
    return true;
}

} // namespace sondrel::system
