#pragma once

// A plain UTF-16 text together with the index of its lines, kept up to date by every change, so
// that a text view can answer "how many lines" and "line n" without splitting the whole text.
//
// Lines follow the gadget rules: both "\r" and "\n" end a line (so "a\r\nb" has three lines: "a",
// "" and "b"), a text ending in a separator has an empty last line, and the empty text has no
// lines at all. The cost of a change is the length of what it inserts plus the text and line
// starts behind the change: appending, and replacing or removing the last line, cost the same
// whatever the length of the text before them.
//
// Not thread-safe; Qt-free.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::appkit {

class TextLines {
public:
    struct Range {
        std::size_t start = 0;
        std::size_t length = 0;
        bool operator==(const Range&) const = default;
    };

    static bool isSeparator(char16_t unit) { return unit == u'\n' || unit == u'\r'; }

    const std::u16string& text() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }

    // 0 for the empty text, else the number of separators plus one.
    std::size_t lineCount() const { return m_text.empty() ? 0 : m_starts.size(); }
    // The line's place in the text, without its separator; an index past the lines gives an
    // empty range at the end of the text.
    Range line(std::size_t index) const;
    std::u16string_view lineText(std::size_t index) const;
    // How many "\r" the text holds (a whole-text rewrite turns them into "\n").
    std::size_t carriageReturns() const { return m_carriageReturns; }

    // Replaces `removed` units at `position` (both clamped to the text) by `inserted`.
    void replace(std::size_t position, std::size_t removed, std::u16string_view inserted);
    void append(std::u16string_view inserted) { replace(m_text.size(), 0, inserted); }
    void assign(std::u16string_view text) { replace(0, m_text.size(), text); }

private:
    std::u16string m_text;
    // Where each line starts; always begins with 0, also for the empty text.
    std::vector<std::size_t> m_starts{0};
    std::size_t m_carriageReturns = 0;
};

} // namespace sondrel::appkit
