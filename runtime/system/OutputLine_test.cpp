#include "runtime/system/OutputLine.h"

#include <gtest/gtest.h>

#include <string>

namespace sondrel::system {
namespace {

class Bytes final : public ByteSource {
public:
    explicit Bytes(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::optional<std::uint8_t> peekByte() override {
        if (m_pos == m_bytes.size()) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(m_bytes[m_pos]);
    }
    void skipByte() override { ++m_pos; }

private:
    std::string m_bytes;
    std::size_t m_pos = 0;
};

TEST(OutputLine, LinesEndAtLineFeedsAndTheEnd) {
    Bytes source("first\nsecond\r\n\nlast");
    EXPECT_EQ(DecodeOutputLine(source), u"first");
    EXPECT_EQ(DecodeOutputLine(source), u"second\r"); // the carriage return stays
    EXPECT_EQ(DecodeOutputLine(source), u"");
    EXPECT_EQ(DecodeOutputLine(source), u"last");
    EXPECT_EQ(DecodeOutputLine(source), u"");
    EXPECT_EQ(DecodeOutputLine(source), u"");
}

TEST(OutputLine, DecodesUtf8) {
    Bytes source("caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x8E\xB5!\n");
    EXPECT_EQ(DecodeOutputLine(source), u"café —  !"); // four bytes give one space
}

TEST(OutputLine, BadBytesBecomeSpaces) {
    // A stray continuation byte and a byte that starts nothing.
    Bytes stray("a\x80"
                "b\xFF"
                "c\n");
    EXPECT_EQ(DecodeOutputLine(stray), u"a b c");
    // A sequence cut short by a line feed never swallows it.
    Bytes cut("x\xC3\nnext\n");
    EXPECT_EQ(DecodeOutputLine(cut), u"x ");
    EXPECT_EQ(DecodeOutputLine(cut), u"next");
    Bytes cutLong("\xE2\x80z\n");
    EXPECT_EQ(DecodeOutputLine(cutLong), u" z");
    // Lead bytes are read by their pattern alone, overlong forms included: C0 and F5 start
    // sequences here, which a strict reader refuses, and F8 starts none.
    Bytes patterns("\xC0\x80|\xF5\x80\x80\x80|\xF8|\xE0\x81\x81\n");
    EXPECT_EQ(DecodeOutputLine(patterns), std::u16string(u"\0| | |A", 7));
}

TEST(OutputLine, EndInsideASequenceEndsTheLine) {
    Bytes source("ok\xE2\x80");
    EXPECT_EQ(DecodeOutputLine(source), u"ok");
    EXPECT_EQ(DecodeOutputLine(source), u"");
}

TEST(OutputLine, LongLinesHaveNoLimit) {
    Bytes source(std::string(100000, 'z') + "\n");
    EXPECT_EQ(DecodeOutputLine(source), std::u16string(100000, u'z'));
}

} // namespace
} // namespace sondrel::system
