#include "runtime/core/Text.h"

#include <clocale>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace sondrel::core {
namespace {

TEST(Text, FindTextPositionsAreOneBased) {
    EXPECT_EQ(FindText(u"done converting", u"done"), 1);
    EXPECT_EQ(FindText(u"", u"done"), 0);
    EXPECT_EQ(FindText(TextView(), u"done"), 0);
    EXPECT_EQ(FindText(u"abc", u""), 0);
    EXPECT_EQ(FindText(u"song.take2.wav", u"."), 5);
    EXPECT_EQ(FindText(u"song.take2.wav", u".", 6), 11);
    EXPECT_EQ(FindText(u"song.take2.wav", u".", -3), 5);
    EXPECT_EQ(FindText(u"abc", u"c", 3), 3);
    EXPECT_EQ(FindText(u"abc", u"c", 4), 0);
    EXPECT_EQ(FindText(u"abc", u"bcd"), 0);
    EXPECT_EQ(FindText(u"ab", u"abc"), 0);
    EXPECT_EQ(FindText(u"aXbx", u"x"), 4);
    EXPECT_EQ(FindText(u"aXbx", u"x", 1, kTextIgnoreCase), 2);
    EXPECT_EQ(FindText(u"a\U0001F600b", u"b"), 4); // positions count code units
}

TEST(Text, IgnoreCaseFoldsWithTheLocale) {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    EXPECT_EQ(FindText(u"GRÜN.WAV", u"ün.wav", 1, kTextIgnoreCase), 3);
    EXPECT_EQ(FindText(u"GRÜN.WAV", u"ün.wav"), 0);
    EXPECT_EQ(RemoveText(u"Ärger ärger", u"ä", kTextIgnoreCase), u"rger rger");
    std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(Text, LeftAndRightClampTheCount) {
    const Text name = u"song.wav";
    const std::int64_t dot = FindText(name, u".");
    EXPECT_EQ(LeftText(name, dot), u"song.");
    EXPECT_EQ(LeftText(name, 100), name);
    EXPECT_EQ(LeftText(name, -1), u"");
    EXPECT_EQ(LeftText(name, 0), u"");
    EXPECT_EQ(RightText(name, 3), u"wav");
    EXPECT_EQ(RightText(name, 100), name);
    EXPECT_EQ(RightText(name, -5), u"");
    EXPECT_EQ(LeftText(TextView(), 3), u"");
}

TEST(Text, RemoveTextRemovesNonOverlappingOccurrences) {
    EXPECT_EQ(RemoveText(u"128 kbps", u" kbps"), u"128");
    EXPECT_EQ(RemoveText(u"128", u" kbps"), u"128");
    EXPECT_EQ(RemoveText(u"", u"x"), u"");
    EXPECT_EQ(RemoveText(u"abc", u""), u"abc");
    EXPECT_EQ(RemoveText(u"aaaa", u"aa"), u"");
    EXPECT_EQ(RemoveText(u"aaa", u"aa"), u"a");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 1, 2), u"abxc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 1, 0), u"xaxbxc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 2), u"xabc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 0), u"abc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 7), u"xaxbxc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 6), u"xaxbxc");
    EXPECT_EQ(RemoveText(u"xaxbxc", u"x", 0, 5), u"xaxbc");
    EXPECT_EQ(RemoveText(u"ab", u"abc"), u"ab");
    EXPECT_EQ(RemoveText(u"A-a-A", u"a", kTextIgnoreCase), u"--");
}

TEST(Text, NumberTextAndEquality) {
    EXPECT_EQ(NumberText(-42), u"-42");
    EXPECT_EQ(NumberText(0), u"0");
    EXPECT_EQ(NumberText(320), u"320");
    EXPECT_EQ(NumberText(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
    EXPECT_EQ(NumberText(std::numeric_limits<std::int64_t>::max()), u"9223372036854775807");
    EXPECT_TRUE(TextEquals(TextView(), u""));
    EXPECT_TRUE(TextEquals(u"abc", u"abc"));
    EXPECT_FALSE(TextEquals(u"abc", u"abd"));
    EXPECT_FALSE(TextEquals(u"abc", u"ab"));
    EXPECT_EQ(TextLength(TextView()), 0);
    EXPECT_EQ(TextLength(u"a\U0001F600"), 3);
}

TEST(Text, Utf8RoundTripsEveryEncodingLength) {
    const std::string bytes = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    const Text text = Utf8ToText(bytes);
    EXPECT_EQ(text, u"a\u00E9\u20AC\U0001F600z");
    EXPECT_EQ(TextToUtf8(text), bytes);
    EXPECT_TRUE(IsWellFormedUtf8(bytes));
    EXPECT_EQ(TextToUtf8(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(Utf8ToText(std::string_view("a\0b", 3)), Text(u"a\0b", 3));
    EXPECT_EQ(TextToUtf8(TextView()), "");
    EXPECT_EQ(Utf8ToText(""), u"");
}

TEST(Text, IllFormedUtf8StopsConversion) {
    struct Case {
        std::string bytes;
        Text converted;
    };
    const Case cases[] = {
        {"ab\x80"
         "cd",
         u"ab"},                           // stray continuation byte
        {"ab\xF8\x88\x80\x80\x80", u"ab"}, // byte that never starts a sequence
        {"ab\xC0\xAF", u"ab"},             // overlong '/'
        {"ab\xE0\x80\xAF", u"ab"},         // overlong 3-byte form
        {"ab\xF0\x80\x80\xAF", u"ab"},     // overlong 4-byte form
        {"ab\xED\xA0\x80", u"ab"},         // encoded surrogate
        {"ab\xF4\x90\x80\x80", u"ab"},     // above U+10FFFF
        {"ab\xE2\x82", u"ab"},             // cut short by the end
        {"ab\xF0\x9F\x98", u"ab"},         // cut short by the end
        {"ab\xE2("
         "cd",
         u"ab"}, // cut short by a wrong byte
        {"\xFF", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToText(c.bytes), c.converted) << testing::PrintToString(c.bytes);
        EXPECT_FALSE(IsWellFormedUtf8(c.bytes)) << testing::PrintToString(c.bytes);
    }
}

TEST(Text, UnpairedSurrogatesStopUtf8Output) {
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b'};
    const char16_t loneLow[] = {u'a', 0xDE00, u'b'};
    const char16_t highAtEnd[] = {u'a', 0xD83D};
    EXPECT_EQ(TextToUtf8(TextView(loneHigh, 3)), "a");
    EXPECT_EQ(TextToUtf8(TextView(loneLow, 3)), "a");
    EXPECT_EQ(TextToUtf8(TextView(highAtEnd, 2)), "a");
}

TEST(Text, Latin1MapsBytesToTheSameCodePoints) {
    const std::string bytes = "caf\xE9 \xFF\x01";
    const Text text = Latin1ToText(bytes);
    EXPECT_EQ(text, u"caf\u00E9 \u00FF\u0001");
    EXPECT_EQ(TextToLatin1(text), bytes);
    EXPECT_EQ(TextToLatin1(u"a\u20ACb\U0001F600c"), "abc");
}

} // namespace
} // namespace sondrel::core
