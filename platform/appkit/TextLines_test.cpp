#include "platform/appkit/TextLines.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace sondrel::appkit {
namespace {

// The lines by the plain rule: every "\r" read as "\n", the empty text without lines, every
// "\n" ending one.
std::vector<std::u16string> SplitLines(std::u16string text) {
    std::vector<std::u16string> lines;
    if (text.empty())
        return lines;
    for (char16_t& unit : text) {
        if (unit == u'\r')
            unit = u'\n';
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(u'\n', start);
        lines.push_back(text.substr(start, end == std::u16string::npos ? end : end - start));
        if (end == std::u16string::npos)
            return lines;
        start = end + 1;
    }
}

void ExpectLines(const TextLines& lines) {
    const std::vector<std::u16string> expected = SplitLines(lines.text());
    ASSERT_EQ(lines.lineCount(), expected.size()) << "text: " << lines.text().size() << " units";
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(lines.lineText(i), expected[i]) << "line " << i;
    ASSERT_EQ(lines.carriageReturns(), static_cast<std::size_t>(std::count(
                                           lines.text().begin(), lines.text().end(), u'\r')));
}

TEST(TextLinesTest, LinesOfTypicalTexts) {
    TextLines lines;
    EXPECT_EQ(lines.lineCount(), 0u);
    EXPECT_EQ(lines.line(0), (TextLines::Range{0, 0}));
    lines.assign(u"one\r\ntwo");
    EXPECT_EQ(lines.lineCount(), 3u);
    EXPECT_EQ(lines.lineText(1), u"");
    EXPECT_EQ(lines.line(2), (TextLines::Range{5, 3}));
    lines.append(u"\n");
    EXPECT_EQ(lines.lineCount(), 4u);
    EXPECT_EQ(lines.lineText(3), u"");
    EXPECT_EQ(lines.lineText(9), u"");
    lines.replace(0, 5, u""); // the first line and both its line ends
    EXPECT_EQ(lines.text(), u"two\n");
    EXPECT_EQ(lines.carriageReturns(), 0u);
    lines.replace(100, 100, u"x"); // clamped: appended
    EXPECT_EQ(lines.text(), u"two\nx");
    ExpectLines(lines);
}

// Any sequence of edits keeps the index equal to splitting the whole text again.
TEST(TextLinesTest, IndexAgreesWithSplittingAfterRandomEdits) {
    std::mt19937 random(7);
    const std::u16string alphabet = u"ab\n\r";
    TextLines lines;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t size = lines.size();
        const std::size_t position =
            std::uniform_int_distribution<std::size_t>(0, size + 2)(random);
        const std::size_t removed = std::uniform_int_distribution<std::size_t>(0, 6)(random);
        std::u16string inserted(std::uniform_int_distribution<std::size_t>(0, 5)(random), u'a');
        for (char16_t& unit : inserted)
            unit = alphabet[std::uniform_int_distribution<std::size_t>(0, 3)(random)];
        lines.replace(position, removed, inserted);
        ExpectLines(lines);
        if (lines.size() > 200)
            lines.assign(u"");
    }
}

} // namespace
} // namespace sondrel::appkit
