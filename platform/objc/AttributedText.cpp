#include "platform/objc/AttributedText.h"

#include <algorithm>

namespace sondrel::objc {

AttributedText::AttributedText(std::u16string text, CharacterStyle style) {
    // Splitting into paragraphs happens through append, which sees every '\n'.
    for (char16_t character : text) {
        if (character == u'\n') {
            endParagraph(ParagraphStyle{}, style);
        } else {
            append(character, style);
        }
    }
}

const CharacterStyle* AttributedText::styleAt(std::size_t index) const {
    auto run = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                [](std::size_t i, const StyleRun& r) { return i < r.start; });
    if (run == m_runs.begin() || index >= m_text.size()) {
        return nullptr;
    }
    return &std::prev(run)->style;
}

void AttributedText::append(std::u16string_view text, const CharacterStyle& style) {
    for (char16_t character : text) {
        if (character == u'\n') {
            endParagraph(m_paragraphs.back(), style);
        } else {
            append(character, style);
        }
    }
}

void AttributedText::append(char16_t character, const CharacterStyle& style) {
    if (character == u'\n') {
        endParagraph(m_paragraphs.back(), style);
        return;
    }
    if (m_runs.empty() || !(m_runs.back().style == style)) {
        m_runs.push_back(StyleRun{m_text.size(), 0, style});
    }
    m_text += character;
    ++m_runs.back().length;
}

void AttributedText::endParagraph(const ParagraphStyle& paragraph, const CharacterStyle& style) {
    m_paragraphs.back() = paragraph;
    if (m_runs.empty() || !(m_runs.back().style == style)) {
        m_runs.push_back(StyleRun{m_text.size(), 0, style});
    }
    m_text += u'\n';
    ++m_runs.back().length;
    m_paragraphs.push_back(paragraph);
}

void AttributedText::setLastParagraphStyle(const ParagraphStyle& paragraph) {
    m_paragraphs.back() = paragraph;
}

void AttributedText::appendText(const AttributedText& other) {
    if (m_text.empty()) {
        *this = other;
        return;
    }
    // The first appended paragraph joins this text's last one and keeps its style; the others
    // keep their own.
    std::size_t paragraph = 0;
    for (const StyleRun& run : other.m_runs) {
        for (std::size_t i = run.start; i < run.start + run.length; ++i) {
            if (other.m_text[i] == u'\n') {
                endParagraph(m_paragraphs.back(), run.style);
                m_paragraphs.back() = other.m_paragraphs[++paragraph];
            } else {
                append(other.m_text[i], run.style);
            }
        }
    }
}

} // namespace sondrel::objc
