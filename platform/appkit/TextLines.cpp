#include "platform/appkit/TextLines.h"

#include <algorithm>

namespace sondrel::appkit {

TextLines::Range TextLines::line(std::size_t index) const {
    if (index >= lineCount())
        return Range{m_text.size(), 0};
    const std::size_t start = m_starts[index];
    const std::size_t end = index + 1 < m_starts.size() ? m_starts[index + 1] - 1 : m_text.size();
    return Range{start, end - start};
}

std::u16string_view TextLines::lineText(std::size_t index) const {
    const Range range = line(index);
    return std::u16string_view(m_text).substr(range.start, range.length);
}

void TextLines::replace(std::size_t position, std::size_t removed, std::u16string_view inserted) {
    position = std::min(position, m_text.size());
    removed = std::min(removed, m_text.size() - position);
    const std::size_t removedEnd = position + removed;

    m_carriageReturns -= static_cast<std::size_t>(
        std::count(m_text.begin() + static_cast<std::ptrdiff_t>(position),
                   m_text.begin() + static_cast<std::ptrdiff_t>(removedEnd), u'\r'));
    m_carriageReturns +=
        static_cast<std::size_t>(std::count(inserted.begin(), inserted.end(), u'\r'));

    // Line starts that followed a removed separator go; the ones behind the change move.
    const auto first = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const auto last = std::upper_bound(first, m_starts.end(), removedEnd);
    const auto kept = m_starts.erase(first, last);
    const std::ptrdiff_t delta =
        static_cast<std::ptrdiff_t>(inserted.size()) - static_cast<std::ptrdiff_t>(removed);
    for (auto it = kept; it != m_starts.end(); ++it)
        *it = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*it) + delta);

    std::vector<std::size_t> added;
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        if (isSeparator(inserted[i]))
            added.push_back(position + i + 1);
    }
    m_starts.insert(kept, added.begin(), added.end());

    m_text.replace(position, removed, inserted);
}

} // namespace sondrel::appkit
