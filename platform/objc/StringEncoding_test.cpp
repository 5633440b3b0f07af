#include "platform/objc/StringEncoding.h"

#include <gtest/gtest.h>

namespace sondrel::objc {
namespace {

// Every scalar value written and read back: the reader takes what the writer makes, with the
// length the form has, and gives the units a native string holds.
TEST(StringEncoding, Utf8ReadsBackEveryScalarValue) {
    for (char32_t point = 0; point <= 0x10FFFF; ++point) {
        if (point >= 0xD800 && point <= 0xDFFF)
            continue;
        std::u16string units;
        appendUtf16(units, point);
        const std::string bytes = encodeUtf8(units);
        char32_t read = 0;
        ASSERT_EQ(decodeUtf8Sequence(bytes, 0, read), bytes.size())
            << std::hex << static_cast<std::uint32_t>(point);
        ASSERT_EQ(read, point);
        const std::size_t expected = point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
        ASSERT_EQ(bytes.size(), expected);
        std::u16string back;
        ASSERT_TRUE(decodeUtf8(bytes, back));
        ASSERT_EQ(back, units);
    }
}

TEST(StringEncoding, IllFormedUtf8IsRefusedWhole) {
    const std::string refused[] = {
        "\x80",             // a continuation byte
        "\xC0\xAF",         // overlong '/'
        "\xE0\x9F\xBF",     // overlong U+07FF
        "\xF0\x8F\xBF\xBF", // overlong U+FFFF
        "\xED\xA0\x80",     // U+D800
        "\xF4\x90\x80\x80", // U+110000
        "\xF5\x80\x80\x80", // a byte that starts only values past U+10FFFF
        "\xE2\x82",         // cut short by the end
        "\xE2\x82\x41",     // cut short by a wrong byte
    };
    for (const std::string& bytes : refused) {
        char32_t point = 0;
        EXPECT_EQ(decodeUtf8Sequence(bytes, 0, point), 0u) << testing::PrintToString(bytes);
        std::u16string text = u"left";
        EXPECT_FALSE(decodeUtf8("ok" + bytes, text)) << testing::PrintToString(bytes);
    }
    // An unpaired surrogate has no UTF-8 form: it is written as U+FFFD.
    EXPECT_EQ(encodeUtf8(std::u16string{u'a', 0xD800, u'b'}), "a\xEF\xBF\xBD"
                                                              "b");
}

} // namespace
} // namespace sondrel::objc
