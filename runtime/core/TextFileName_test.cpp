#include "runtime/core/TextFileName.h"

#include <gtest/gtest.h>

namespace sondrel::core {
namespace {

TEST(TextFileName, NamesThatAreNotUtf8SurviveTheRoundTrip) {
    const std::string names[] = {
        "plain.wav",
        "caf\xc3\xa9 \xf0\x9f\x8e\xb5.wav", // well-formed: é and a 4-byte character
        "h \xff\xfe.wav",                   // bytes that never start a sequence
        "latin1 caf\xe9.wav",               // ISO 8859-1 é
        "cut \xe2\x82",                     // a sequence cut short by the end
        "cut \xe2\x82 middle",              // and by a wrong byte
        "overlong \xc0\xaf surrogate \xed\xa0\x80",
        std::string("zero\0byte", 9),
    };
    for (const std::string& bytes : names) {
        SCOPED_TRACE(bytes);
        const Text text = FileNameToText(bytes);
        EXPECT_EQ(TextToFileName(text), bytes);
    }
    // Well-formed names read exactly as Utf8ToText reads them.
    EXPECT_EQ(FileNameToText(names[1]), Utf8ToText(names[1]));
    // Each stray byte is one unit of its own.
    EXPECT_EQ(FileNameToText("h \xff\xfe.wav"), u"h \xdcff\xdcfe.wav");
    EXPECT_EQ(FileNameToText("\xe2\x82x"), u"\xdce2\xdc82x");
}

TEST(TextFileName, OtherLoneSurrogatesHaveNoFileName) {
    EXPECT_EQ(TextToFileName(u"ok"), "ok");
    EXPECT_FALSE(TextToFileName(u"a\xd800").has_value());
    EXPECT_FALSE(TextToFileName(u"a\xdc7f b").has_value());
    EXPECT_FALSE(TextToFileName(u"\xdd00").has_value());
}

TEST(TextFileName, TheSecondHalfOfAPairIsNoEscapedByte) {
    // U+10C80 is the pair D803 DC80: a character, not the byte 0x80.
    const std::string bytes = "\xf0\x90\xb2\x80 \x80";
    const Text text = FileNameToText(bytes);
    EXPECT_EQ(text, u"\xd803\xdc80 \xdc80");
    EXPECT_EQ(TextToFileName(text), bytes);
    EXPECT_FALSE(IsEscapedByteAt(text, 1));
    EXPECT_TRUE(IsEscapedByteAt(text, 3));
    EXPECT_TRUE(IsEscapedByteAt(u"\xdc80", 0));
    EXPECT_EQ(FileNameForDisplay(text), u"\xd803\xdc80 \ufffd");
}

} // namespace
} // namespace sondrel::core
