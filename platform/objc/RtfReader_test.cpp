#include "platform/objc/RtfReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace sondrel::objc {
namespace {

std::optional<AttributedText> read(const std::string& rtf) {
    return readRtf(rtf.data(), rtf.size());
}

std::u16string textOf(const std::string& rtf) {
    auto text = read(rtf);
    return text ? text->text() : u"<failed>";
}

std::string helpDocument() {
    std::ifstream file(SONDREL_SOURCE_DIR "/resources/help.rtf", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The runs of one style, as texts.
std::vector<std::u16string> boldRuns(const AttributedText& text) {
    std::vector<std::u16string> runs;
    for (const StyleRun& run : text.runs()) {
        if (run.style.bold) {
            runs.push_back(text.text().substr(run.start, run.length));
        }
    }
    return runs;
}

TEST(RtfReader, ReadsTheHelpDocument) {
    const std::string rtf = helpDocument();
    ASSERT_GT(rtf.size(), 1000u);
    auto help = read(rtf);
    ASSERT_TRUE(help);
    const std::u16string& text = help->text();
    EXPECT_EQ(text.rfind(u"   Sondrel converts audio files into the Core Audio Format (*.caf)", 0),
              0u);
    EXPECT_EQ(boldRuns(*help), (std::vector<std::u16string>{
                                   u"Bitrate Allocation Strategy", u"Bitrate", u"Data Format",
                                   u"Output Folder", u"Sticky Window", u"Transparent Window"}));
    EXPECT_NE(text.find(u"Bitrate Allocation Strategy - "), std::u16string::npos);
    // Paragraphs are separated by empty lines.
    EXPECT_NE(text.find(u"tested.\n\nBitrate Allocation"), std::u16string::npos);

    const CharacterStyle* first = help->styleAt(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->fontFamily, "Helvetica");
    EXPECT_EQ(first->pointSize, 14.0);
    ASSERT_TRUE(first->color);
    const ParagraphStyle& paragraph = help->paragraphs().front();
    EXPECT_EQ(paragraph.alignment, TextAlignment::Left);
    ASSERT_EQ(paragraph.tabStops.size(), 12u);
    EXPECT_EQ(paragraph.tabStops[0], 36.0);
    EXPECT_EQ(paragraph.tabStops[11], 432.0);

    // The closing line ends in the link, whose text is its own address.
    const std::u16string address = u"https://quillfern.example/forum/";
    const std::size_t at = text.rfind(address);
    ASSERT_NE(at, std::u16string::npos);
    const CharacterStyle* link = help->styleAt(at);
    EXPECT_EQ(link->link, "https://quillfern.example/forum/");
    EXPECT_TRUE(link->underline);
    EXPECT_EQ(link->color, (RgbColor{0, 0, 238}));
    EXPECT_EQ(help->styleAt(at - 2)->link, "");
}

TEST(RtfReader, RefusesWhatIsNotRtf) {
    EXPECT_FALSE(read(""));
    EXPECT_FALSE(read("Plain text, not RTF"));
    EXPECT_FALSE(read("{\\rt"));
    EXPECT_FALSE(read("<html><body>{\\rtf1}</body></html>"));
    EXPECT_FALSE(readRtf(nullptr, 10));
    EXPECT_FALSE(read("{\\rtf1 " + std::string(600, '{') + "deep"));
    // A cut-off document keeps what it had; white space before the header is allowed.
    EXPECT_EQ(textOf("\r\n {\\rtf1 Hello {\\b bold"), u"Hello bold");
}

TEST(RtfReader, DecodesCharactersByCodePageAndUnicode) {
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg1252 \\'93caf\\'e9\\'94 \\'80}"),
              u"\u201Ccafé\u201D €");
    EXPECT_EQ(textOf("{\\rtf1\\ansi\\ansicpg1250 \\'e9}"), u"é"); // other pages read as Latin-1
    // \uN with its fallback skipped; negative values; \uc changes the skip count.
    EXPECT_EQ(textOf("{\\rtf1 \\u8364?x \\u-4064?y {\\uc2\\u946\\'e2\\'e2z}}"),
              u"\u20ACx \uF020y \u03B2z");
    EXPECT_EQ(textOf("{\\rtf1 a\\tab b\\line c\\~d\\{e\\}f\\\\g\\emdash h}"),
              u"a\tb\u2028c\u00A0d{e}f\\g\u2014h");
    EXPECT_EQ(textOf("{\\rtf1 one\\par two\\\ntwo\r\nthree}"), u"one\ntwo\ntwothree");
}

TEST(RtfReader, KeepsCharacterStylesPerGroup) {
    auto text =
        read("{\\rtf1{\\fonttbl{\\f0\\froman Times;}{\\f1\\fmodern Courier New;}}"
             "{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs24 a{\\f1\\b\\i\\ul\\cf1\\fs40 b}"
             "c\\strike d\\plain e}");
    ASSERT_TRUE(text);
    ASSERT_EQ(text->text(), u"abcde");
    const CharacterStyle& a = *text->styleAt(0);
    const CharacterStyle& b = *text->styleAt(1);
    EXPECT_EQ(a.fontFamily, "Times");
    EXPECT_EQ(a.pointSize, 12.0);
    EXPECT_FALSE(a.bold || a.italic || a.underline || a.color);
    EXPECT_EQ(b.fontFamily, "Courier New");
    EXPECT_EQ(b.pointSize, 20.0);
    EXPECT_TRUE(b.bold && b.italic && b.underline);
    EXPECT_EQ(b.color, (RgbColor{255, 0, 0}));
    EXPECT_EQ(*text->styleAt(2), a); // the group's end restores the outer style
    EXPECT_TRUE(text->styleAt(3)->strikethrough);
    EXPECT_EQ(text->styleAt(4)->fontFamily, "Times"); // \plain: the default font \deff0
    EXPECT_FALSE(text->styleAt(4)->strikethrough);
    EXPECT_EQ(text->runs().size(), 5u);
}

TEST(RtfReader, KeepsParagraphAlignmentIndentsAndTabs) {
    auto text = read("{\\rtf1\\pard\\qc\\tx360\\li720 centred\\par\\pard\\qr right\\par\\qj j}");
    ASSERT_TRUE(text);
    ASSERT_EQ(text->paragraphs().size(), 3u);
    EXPECT_EQ(text->paragraphs()[0].alignment, TextAlignment::Center);
    EXPECT_EQ(text->paragraphs()[0].tabStops, std::vector<double>{18.0});
    EXPECT_EQ(text->paragraphs()[0].leftIndent, 36.0);
    EXPECT_EQ(text->paragraphs()[1].alignment, TextAlignment::Right);
    EXPECT_TRUE(text->paragraphs()[1].tabStops.empty());
    EXPECT_EQ(text->paragraphs()[2].alignment, TextAlignment::Justified);
}

TEST(RtfReader, SkipsDestinationsAndReadsFields) {
    EXPECT_EQ(
        textOf("{\\rtf1{\\info{\\title T}{\\author A}}{\\*\\generator G;}"
               "{\\stylesheet{\\s0 Normal;}}{\\*\\unknownthing x}{\\pict\\bin4 {}}z}visible}"),
        u"visible");
    auto text = read("{\\rtf1 see {\\field{\\*\\fldinst{ HYPERLINK \\\\l \"top\" }}"
                     "{\\fldrslt here}} and {\\field{\\*\\fldinst PAGE}{\\fldrslt 3}} "
                     "{\\field{\\*\\fldinst HYPERLINK https://a.example/x}{\\fldrslt {\\b a}b}}.}");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), u"see here and 3 ab.");
    EXPECT_EQ(text->styleAt(4)->link, "#top");
    EXPECT_EQ(text->styleAt(13)->link, ""); // a field that is no link keeps only its text
    EXPECT_EQ(text->styleAt(15)->link, "https://a.example/x");
    EXPECT_TRUE(text->styleAt(15)->bold);
    EXPECT_EQ(text->styleAt(16)->link, "https://a.example/x");
    EXPECT_EQ(text->styleAt(17)->link, "");
}

TEST(AttributedText, PlainTextAndAppendingKeepRunsAndParagraphsConsistent) {
    AttributedText text(u"one\ntwo");
    EXPECT_EQ(text.paragraphs().size(), 2u);
    EXPECT_EQ(text.runs().size(), 1u);
    CharacterStyle bold;
    bold.bold = true;
    auto other = read("{\\rtf1\\qc {\\b B}\\par\\qr C}");
    ASSERT_TRUE(other);
    text.appendText(*other);
    EXPECT_EQ(text.text(), u"one\ntwoB\nC");
    ASSERT_EQ(text.paragraphs().size(), 3u);
    EXPECT_EQ(text.paragraphs()[1].alignment, TextAlignment::Natural); // "twoB" keeps its own
    EXPECT_EQ(text.paragraphs()[2].alignment, TextAlignment::Right);
    EXPECT_TRUE(text.styleAt(7)->bold);
    EXPECT_EQ(text.styleAt(10), nullptr);
}

} // namespace
} // namespace sondrel::objc
