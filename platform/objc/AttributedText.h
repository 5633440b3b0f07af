#pragma once

// A text with character and paragraph styles, free of any toolkit: what an RTF document or a
// plain string becomes, and what the attributed-string and text-view classes turn into their
// toolkit's documents. Paragraphs are separated by '\n'.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sondrel::objc {

struct RgbColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RgbColor&) const = default;
};

struct CharacterStyle {
    std::string fontFamily; // empty: the view's own font
    double pointSize = 12.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::optional<RgbColor> color; // none: the view's text colour
    std::string link;              // the target of a link, empty when there is none
    bool operator==(const CharacterStyle&) const = default;
};

// The native text alignment values: left 0, right 1, centre 2, justified 3, natural 4.
enum class TextAlignment : std::int64_t {
    Left = 0,
    Right = 1,
    Center = 2,
    Justified = 3,
    Natural = 4,
};

struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    std::vector<double> tabStops; // positions in points, as given
    double firstLineIndent = 0;   // points, relative to the left indent
    double leftIndent = 0;
    double rightIndent = 0;
    bool operator==(const ParagraphStyle&) const = default;
};

struct StyleRun {
    std::size_t start = 0;
    std::size_t length = 0;
    CharacterStyle style;
};

class AttributedText {
public:
    AttributedText() = default;
    // Plain text with one default style.
    explicit AttributedText(std::u16string text, CharacterStyle style = {});

    const std::u16string& text() const { return m_text; }
    // Runs in text order covering the whole text; neighbours never share a style.
    const std::vector<StyleRun>& runs() const { return m_runs; }
    // One style per paragraph: the number of '\n' in the text plus one.
    const std::vector<ParagraphStyle>& paragraphs() const { return m_paragraphs; }

    // The style of the character at `index`; null past the end.
    const CharacterStyle* styleAt(std::size_t index) const;

    void append(std::u16string_view text, const CharacterStyle& style);
    void append(char16_t character, const CharacterStyle& style);
    // Styles the current paragraph and starts a new one with '\n' in `style`.
    void endParagraph(const ParagraphStyle& paragraph, const CharacterStyle& style);
    // Styles the current (last) paragraph.
    void setLastParagraphStyle(const ParagraphStyle& paragraph);
    void appendText(const AttributedText& other);

private:
    std::u16string m_text;
    std::vector<StyleRun> m_runs;
    std::vector<ParagraphStyle> m_paragraphs{ParagraphStyle{}};
};

} // namespace sondrel::objc
