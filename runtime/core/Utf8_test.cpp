#include "runtime/core/Utf8.h"

#include <gtest/gtest.h>

namespace sondrel::core {
namespace {

TEST(Utf8, LeadBytesAreReadByTheirPattern) {
    const struct {
        std::uint8_t byte;
        std::uint8_t length;
    } cases[] = {{0x00, 1}, {0x7F, 1}, {0x80, 0}, {0xBF, 0}, {0xC0, 2}, {0xDF, 2},
                 {0xE0, 3}, {0xEF, 3}, {0xF0, 4}, {0xF7, 4}, {0xF8, 0}, {0xFF, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8LeadOf(c.byte).length, c.length) << int{c.byte};
        EXPECT_EQ(IsUtf8Continuation(c.byte), c.byte >= 0x80 && c.byte <= 0xBF) << int{c.byte};
    }
    EXPECT_EQ(0xC3 & Utf8LeadOf(0xC3).payload, 0x03);
    EXPECT_EQ(0xE2 & Utf8LeadOf(0xE2).payload, 0x02);
    EXPECT_EQ(0xF4 & Utf8LeadOf(0xF4).payload, 0x04);
}

// Every scalar value written and read back, and every two-byte input: the reader takes exactly
// the shortest forms the writer makes, and each lead byte's length agrees with the table.
TEST(Utf8, TheReaderTakesExactlyWhatTheWriterWrites) {
    for (char32_t point = 0; point <= 0x10FFFF; ++point) {
        if (point >= 0xD800 && point <= 0xDFFF) {
            continue;
        }
        std::string bytes;
        AppendUtf8(bytes, point);
        char32_t read = 0;
        ASSERT_EQ(DecodeUtf8(bytes, 0, read), bytes.size())
            << std::hex << static_cast<std::uint32_t>(point);
        ASSERT_EQ(read, point);
        ASSERT_EQ(Utf8LeadOf(static_cast<std::uint8_t>(bytes[0])).length, bytes.size());
        Text units;
        AppendUtf16(units, point);
        ASSERT_EQ(units.size(), point < 0x10000 ? 1u : 2u);
    }
    for (unsigned pair = 0; pair < 0x10000; ++pair) {
        const std::string bytes{static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
        char32_t point = 0;
        const std::size_t length = DecodeUtf8(bytes, 0, point);
        if (length == 0) {
            continue;
        }
        std::string again;
        AppendUtf8(again, point);
        ASSERT_EQ(again, bytes.substr(0, length)) << std::hex << pair;
    }
}

TEST(Utf8, IllFormedSequencesAreRefusedAtTheirFirstByte) {
    const std::string refused[] = {
        "\x80",             // a continuation byte
        "\xC1\xBF",         // C1 starts only overlong forms
        "\xE0\x9F\xBF",     // overlong U+07FF
        "\xF0\x8F\xBF\xBF", // overlong U+FFFF
        "\xED\xA0\x80",     // U+D800
        "\xED\xBF\xBF",     // U+DFFF
        "\xF4\x90\x80\x80", // U+110000
        "\xF5\x80\x80\x80", // F5 starts only values past U+10FFFF
        "\xE2\x82",         // cut short by the end
        "\xE2\x82\x41",     // cut short by a wrong byte
    };
    for (const std::string& bytes : refused) {
        char32_t point = 0x1234;
        EXPECT_EQ(DecodeUtf8(bytes, 0, point), 0u) << testing::PrintToString(bytes);
        EXPECT_EQ(point, 0x1234u) << "a refused sequence leaves the point alone";
    }
    char32_t point = 0;
    EXPECT_EQ(DecodeUtf8("x\xED\x9F\xBF", 1, point), 3u); // U+D7FF, just below the surrogates
    EXPECT_EQ(point, 0xD7FFu);
    EXPECT_EQ(DecodeUtf8("\xEE\x80\x80", 0, point), 3u); // U+E000, just above them
    EXPECT_EQ(point, 0xE000u);
}

} // namespace
} // namespace sondrel::core
