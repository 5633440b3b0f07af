#include "platform/objc/FileNameText.h"

#include <gtest/gtest.h>

#include "platform/objc/StringEncoding.h"

namespace sondrel::objc {
namespace {

TEST(FileNameText, NamesThatAreNotUtf8SurviveTheRoundTrip) {
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
        const std::u16string text = fileNameToText(bytes);
        EXPECT_EQ(textToFileName(text), bytes);
    }
    // Well-formed names read exactly as strict UTF-8.
    std::u16string strict;
    ASSERT_TRUE(decodeUtf8(names[1], strict));
    EXPECT_EQ(fileNameToText(names[1]), strict);
    // Each stray byte is one unit of its own.
    EXPECT_EQ(fileNameToText("h \xff\xfe.wav"), u"h \xdcff\xdcfe.wav");
    EXPECT_EQ(fileNameToText("\xe2\x82x"), u"\xdce2\xdc82x");
}

TEST(FileNameText, OtherLoneSurrogatesHaveNoFileName) {
    EXPECT_EQ(textToFileName(u"ok"), "ok");
    EXPECT_FALSE(textToFileName(u"a\xd800").has_value());
    EXPECT_FALSE(textToFileName(u"a\xdc7f b").has_value());
    EXPECT_FALSE(textToFileName(u"\xdd00").has_value());
}

TEST(FileNameText, TheSecondHalfOfAPairIsNoEscapedByte) {
    // U+10C80 is the pair D803 DC80: a character, not the byte 0x80.
    const std::string bytes = "\xf0\x90\xb2\x80 \x80";
    const std::u16string text = fileNameToText(bytes);
    EXPECT_EQ(text, u"\xd803\xdc80 \xdc80");
    EXPECT_EQ(textToFileName(text), bytes);
    EXPECT_FALSE(isEscapedFileNameByte(text, 1));
    EXPECT_TRUE(isEscapedFileNameByte(text, 3));
    EXPECT_TRUE(isEscapedFileNameByte(u"\xdc80", 0));
}

} // namespace
} // namespace sondrel::objc
