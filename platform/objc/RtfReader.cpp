#include "platform/objc/RtfReader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/objc/StringEncoding.h"

namespace sondrel::objc {
namespace {

constexpr std::size_t kMaxDepth = 512;
constexpr std::size_t kMaxTabStops = 64;
constexpr std::size_t kMaxColors = 1024;
constexpr std::size_t kMaxFonts = 1024;
constexpr std::size_t kMaxNameLength = 256;
constexpr std::size_t kMaxInstructionLength = 4096;
constexpr std::size_t kMaxWordLength = 32;

enum class Destination { Text, Skip, FontTable, ColorTable, FieldInstruction };

struct GroupState {
    CharacterStyle character;
    int font = -1; // index into the font table; -1: the document's default font
    ParagraphStyle paragraph;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    bool opensField = false;
};

bool startsWithRtfHeader(std::string_view data) {
    std::size_t i = 0;
    while (i < data.size() && std::isspace(static_cast<unsigned char>(data[i]))) {
        ++i;
    }
    return data.substr(i, 5) == "{\\rtf";
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The target of a HYPERLINK field instruction: HYPERLINK "url", HYPERLINK url, or a bookmark
// with \l "name" (which becomes "#name"). Empty for other fields.
std::string hyperlinkTarget(const std::u16string& instruction) {
    std::vector<std::string> tokens;
    std::string token;
    bool quoted = false;
    bool inToken = false;
    for (char16_t unit : instruction) {
        const char c = unit < 0x80 ? static_cast<char>(unit) : '?';
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                token += c;
            }
        } else if (c == '"') {
            quoted = true;
            inToken = true;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            if (inToken) {
                tokens.push_back(std::move(token));
                token.clear();
                inToken = false;
            }
        } else {
            token += c;
            inToken = true;
        }
    }
    if (inToken) {
        tokens.push_back(std::move(token));
    }
    if (tokens.empty() || !equalsIgnoringCase(tokens[0], "HYPERLINK")) {
        return {};
    }
    std::string target;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        if (tokens[i] == "\\l" && i + 1 < tokens.size()) {
            return target + "#" + tokens[i + 1];
        }
        if (!tokens[i].empty() && tokens[i][0] == '\\') {
            if (tokens[i] == "\\o" || tokens[i] == "\\t") {
                ++i; // a switch with an argument
            }
            continue;
        }
        if (target.empty()) {
            target = tokens[i];
        }
    }
    return target;
}

class RtfParser {
public:
    explicit RtfParser(std::string_view data) : m_data(data) {}

    std::optional<AttributedText> parse() {
        if (!startsWithRtfHeader(m_data)) {
            return std::nullopt;
        }
        m_pos = m_data.find('{');
        m_states.push_back(GroupState{});
        while (m_pos < m_data.size() && !m_finished) {
            const char c = m_data[m_pos++];
            if (c == '{') {
                if (!openGroup()) {
                    return std::nullopt;
                }
            } else if (c == '}') {
                closeGroup();
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n' && c != '\0') {
                textByte(static_cast<unsigned char>(c));
            }
        }
        flush();
        m_text.setLastParagraphStyle(state().paragraph);
        return std::move(m_text);
    }

private:
    GroupState& state() { return m_states.back(); }

    bool openGroup() {
        flush();
        m_skip = 0;
        if (m_states.size() > kMaxDepth) {
            return false;
        }
        GroupState inner = state();
        inner.opensField = false;
        m_states.push_back(std::move(inner));
        return true;
    }

    void closeGroup() {
        flush();
        m_skip = 0;
        if (m_states.size() <= 2) { // the document's own group closes: the document ends
            m_finished = true;
            return;
        }
        if (state().destination == Destination::FontTable) {
            commitFont();
        }
        if (state().opensField && !m_fieldInstructions.empty()) {
            m_fieldInstructions.pop_back();
        }
        m_states.pop_back();
    }

    // Text characters collect in m_pending and are styled when the state may change.
    void flush() {
        if (m_pending.empty()) {
            return;
        }
        m_text.append(m_pending, currentStyle());
        m_pending.clear();
    }

    CharacterStyle currentStyle() const {
        CharacterStyle style = m_states.back().character;
        const int font = m_states.back().font >= 0 ? m_states.back().font : m_defaultFont;
        auto found = m_fonts.find(font);
        style.fontFamily = found != m_fonts.end() ? found->second : std::string();
        return style;
    }

    char16_t decodeByte(unsigned char byte) const {
        return m_codePage == 1252 ? decodeCp1252(byte) : static_cast<char16_t>(byte);
    }

    void textByte(unsigned char byte) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        character(decodeByte(byte));
    }

    void character(char16_t c) {
        switch (state().destination) {
        case Destination::Text:
            m_pending += c;
            break;
        case Destination::FontTable:
            if (c == u';') {
                commitFont();
            } else if (m_fontName.size() < kMaxNameLength) {
                m_fontName += c < 0x80 ? static_cast<char>(c) : '?';
            }
            break;
        case Destination::ColorTable:
            if (c == u';') {
                commitColor();
            }
            break;
        case Destination::FieldInstruction:
            if (!m_fieldInstructions.empty() &&
                m_fieldInstructions.back().size() < kMaxInstructionLength) {
                m_fieldInstructions.back() += c;
            }
            break;
        case Destination::Skip:
            break;
        }
    }

    void commitFont() {
        const auto first = m_fontName.find_first_not_of(' ');
        const auto last = m_fontName.find_last_not_of(' ');
        if (first != std::string::npos && m_fonts.size() < kMaxFonts) {
            m_fonts[m_fontNumber] = m_fontName.substr(first, last - first + 1);
        }
        m_fontName.clear();
    }

    void commitColor() {
        if (m_colors.size() < kMaxColors) {
            m_colors.push_back(m_colorSet ? std::optional<RgbColor>(m_color) : std::nullopt);
        }
        m_color = RgbColor{};
        m_colorSet = false;
    }

    void control() {
        flush();
        if (m_pos >= m_data.size()) {
            return;
        }
        const char c = m_data[m_pos];
        if (std::isalpha(static_cast<unsigned char>(c))) {
            controlWord();
            return;
        }
        ++m_pos;
        controlSymbol(c);
    }

    void controlSymbol(char c) {
        switch (c) {
        case '\'': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_data.size() &&
                   std::isxdigit(static_cast<unsigned char>(m_data[m_pos]))) {
                const char h =
                    static_cast<char>(std::tolower(static_cast<unsigned char>(m_data[m_pos++])));
                value = value * 16 + static_cast<unsigned>(h <= '9' ? h - '0' : h - 'a' + 10);
                ++digits;
            }
            if (digits > 0) {
                textByte(static_cast<unsigned char>(value));
            }
            return;
        }
        case '{':
        case '}':
        case '\\':
            textByte(static_cast<unsigned char>(c));
            return;
        case '~':
            symbol(u'\u00A0');
            return;
        case '-':
            symbol(u'\u00AD');
            return;
        case '_':
            symbol(u'\u2011');
            return;
        case '*':
            m_ignorable = true;
            return;
        case '\n':
        case '\r':
            paragraphBreak();
            return;
        default:
            return;
        }
    }

    // A character given by a control word; it counts as one of the characters after \uN.
    void symbol(char16_t c) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        character(c);
    }

    void controlWord() {
        std::string word;
        while (m_pos < m_data.size() && std::isalpha(static_cast<unsigned char>(m_data[m_pos]))) {
            if (word.size() < kMaxWordLength) {
                word += m_data[m_pos];
            }
            ++m_pos;
        }
        bool hasParameter = false;
        bool negative = false;
        long long parameter = 0;
        if (m_pos < m_data.size() && m_data[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_data.size() && std::isdigit(static_cast<unsigned char>(m_data[m_pos]))) {
            parameter = std::min<long long>(parameter * 10 + (m_data[m_pos] - '0'), INT_MAX);
            hasParameter = true;
            ++m_pos;
        }
        if (m_pos < m_data.size() && m_data[m_pos] == ' ') {
            ++m_pos;
        }
        const int value = static_cast<int>(negative ? -parameter : parameter);
        const bool ignorable = std::exchange(m_ignorable, false);
        if (!destinationWord(word, ignorable) && !characterWord(word, hasParameter, value) &&
            !paragraphWord(word, hasParameter, value)) {
            documentWord(word, hasParameter, value);
        }
    }

    bool destinationWord(const std::string& word, bool ignorable) {
        GroupState& s = state();
        if (word == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            s.destination = Destination::ColorTable;
        } else if (word == "field") {
            s.opensField = true;
            m_fieldInstructions.emplace_back();
        } else if (word == "fldinst") {
            s.destination = Destination::FieldInstruction;
        } else if (word == "fldrslt") {
            s.destination = Destination::Text;
            if (!m_fieldInstructions.empty()) {
                const std::string target = hyperlinkTarget(m_fieldInstructions.back());
                if (!target.empty()) {
                    s.character.link = target;
                }
            }
        } else if (ignorable || isSkippedDestination(word)) {
            s.destination = Destination::Skip;
        } else {
            return false;
        }
        return true;
    }

    static bool isSkippedDestination(const std::string& word) {
        static const char* const kSkipped[] = {
            "stylesheet",   "info",      "pict",     "header",    "headerl",
            "headerr",      "headerf",   "footer",   "footerl",   "footerr",
            "footerf",      "footnote",  "object",   "listtable", "listoverridetable",
            "rsidtbl",      "generator", "xmlnstbl", "themedata", "colorschememapping",
            "latentstyles", "datastore", "revtbl",   "filetbl",   "nonshppict",
            "shppict",      "bkmkstart", "bkmkend",  "author",    "title",
            "comment",      "operator",  "company",  "keywords"};
        return std::any_of(std::begin(kSkipped), std::end(kSkipped),
                           [&](const char* skipped) { return word == skipped; });
    }

    bool characterWord(const std::string& word, bool hasParameter, int value) {
        GroupState& s = state();
        const bool on = !hasParameter || value != 0;
        if (word == "plain") {
            const std::string link = s.character.link;
            s.character = CharacterStyle{};
            s.character.link = link;
            s.font = -1;
        } else if (word == "f") {
            s.font = std::max(value, 0);
            if (s.destination == Destination::FontTable) {
                commitFont();
                m_fontNumber = s.font;
            }
        } else if (word == "fs") {
            if (value > 0) {
                s.character.pointSize = std::min(value, 3276) / 2.0;
            }
        } else if (word == "b") {
            s.character.bold = on;
        } else if (word == "i") {
            s.character.italic = on;
        } else if (word == "strike" || word == "striked") {
            s.character.strikethrough = on;
        } else if (word == "ulnone") {
            s.character.underline = false;
        } else if (word.starts_with("ul") && word != "ulc") {
            s.character.underline = on;
        } else if (word == "cf") {
            const auto index = static_cast<std::size_t>(std::max(value, 0));
            s.character.color = index < m_colors.size() ? m_colors[index] : std::nullopt;
        } else if (word == "red" || word == "green" || word == "blue") {
            const auto component = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            (word == "red"     ? m_color.red
             : word == "green" ? m_color.green
                               : m_color.blue) = component;
            m_colorSet = true;
        } else {
            return false;
        }
        return true;
    }

    bool paragraphWord(const std::string& word, bool hasParameter, int value) {
        ParagraphStyle& p = state().paragraph;
        if (word == "pard") {
            p = ParagraphStyle{};
        } else if (word == "ql") {
            p.alignment = TextAlignment::Left;
        } else if (word == "qr") {
            p.alignment = TextAlignment::Right;
        } else if (word == "qc") {
            p.alignment = TextAlignment::Center;
        } else if (word == "qj") {
            p.alignment = TextAlignment::Justified;
        } else if (word == "qnatural") {
            p.alignment = TextAlignment::Natural;
        } else if (word == "tx" || word == "tb") {
            if (hasParameter && p.tabStops.size() < kMaxTabStops) {
                p.tabStops.push_back(value / 20.0);
            }
        } else if (word == "li") {
            p.leftIndent = value / 20.0;
        } else if (word == "ri") {
            p.rightIndent = value / 20.0;
        } else if (word == "fi") {
            p.firstLineIndent = value / 20.0;
        } else {
            return false;
        }
        return true;
    }

    void paragraphBreak() {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (state().destination == Destination::Text) {
            flush();
            m_text.endParagraph(state().paragraph, currentStyle());
        }
    }

    void documentWord(const std::string& word, bool hasParameter, int value) {
        if (word == "par" || word == "sect" || word == "page" || word == "row") {
            paragraphBreak();
        } else if (word == "line") {
            symbol(u'\u2028');
        } else if (word == "tab" || word == "cell") {
            symbol(u'\t');
        } else if (word == "u" && hasParameter) {
            const char16_t unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
            symbol(unit);
            m_skip = static_cast<std::size_t>(state().unicodeSkip);
        } else if (word == "uc") {
            state().unicodeSkip = std::clamp(value, 0, 16);
        } else if (word == "bin") {
            m_pos += std::min<std::size_t>(static_cast<std::size_t>(std::max(value, 0)),
                                           m_data.size() - m_pos);
        } else if (word == "ansicpg") {
            m_codePage = value;
        } else if (word == "ansi") {
            m_codePage = 1252;
        } else if (word == "mac" || word == "pc" || word == "pca") {
            m_codePage = 0; // read as Latin-1: the nearest we carry
        } else if (word == "deff") {
            m_defaultFont = std::max(value, 0);
        } else if (const char16_t special = specialCharacter(word); special != 0) {
            symbol(special);
        }
    }

    static char16_t specialCharacter(const std::string& word) {
        if (word == "emdash")
            return u'\u2014';
        if (word == "endash")
            return u'\u2013';
        if (word == "bullet")
            return u'\u2022';
        if (word == "lquote")
            return u'\u2018';
        if (word == "rquote")
            return u'\u2019';
        if (word == "ldblquote")
            return u'\u201C';
        if (word == "rdblquote")
            return u'\u201D';
        if (word == "emspace")
            return u'\u2003';
        if (word == "enspace")
            return u'\u2002';
        return 0;
    }

    std::string_view m_data;
    std::size_t m_pos = 0;
    bool m_finished = false;
    std::vector<GroupState> m_states;
    AttributedText m_text;
    std::u16string m_pending;
    std::size_t m_skip = 0;
    bool m_ignorable = false;
    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::map<int, std::string> m_fonts;
    int m_fontNumber = 0;
    std::string m_fontName;
    std::vector<std::optional<RgbColor>> m_colors;
    RgbColor m_color;
    bool m_colorSet = false;
    std::vector<std::u16string> m_fieldInstructions;
};

} // namespace

std::optional<AttributedText> readRtf(const void* bytes, std::size_t length) {
    if (bytes == nullptr) {
        return std::nullopt;
    }
    return RtfParser(std::string_view(static_cast<const char*>(bytes), length)).parse();
}

} // namespace sondrel::objc
