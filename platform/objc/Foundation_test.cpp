// NSString and NSData as messages reach them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSData.h"
#include "platform/objc/NSString.h"
#include "platform/objc/StringEncoding.h"

namespace sondrel::objc {
namespace {

class Foundation : public ::testing::Test {
protected:
    Class string = lookUpClass("NSString");
    Class data = lookUpClass("NSData");
    AutoreleasePool pool;
};

TEST_F(Foundation, StringsAreMadeFromEachEncoding) {
    EXPECT_EQ(nativeStringText(send<id>(string, "stringWithUTF8String:"_sel, "gr\xc3\xbc\xc3\x9f")),
              u"grüß");
    EXPECT_EQ(nativeStringText(send<id>(string, "stringWithCString:encoding:"_sel, "caf\xe9",
                                        NSUInteger{kISOLatin1StringEncoding})),
              u"café");
    EXPECT_EQ(nativeStringText(send<id>(string, "stringWithCString:encoding:"_sel, "\x93quoted\x94",
                                        NSUInteger{kWindowsCP1252StringEncoding})),
              u"\u201Cquoted\u201D");
    const char16_t units[] = {u'\xe9', 0xD83D, 0xDE00};
    id emoji = send<id>(string, "stringWithCharacters:length:"_sel, units, NSUInteger{3});
    EXPECT_EQ(send<NSUInteger>(emoji, "length"_sel), 3u);
    EXPECT_STREQ(send<const char*>(emoji, "UTF8String"_sel), "\xc3\xa9\xf0\x9f\x98\x80");
    // Malformed UTF-8, non-ASCII bytes as ASCII and missing bytes give nil.
    for (const char* bad : {"\xc3", "\xed\xa0\x80", "\xc0\xaf", "\xf5\x80\x80\x80"}) {
        EXPECT_EQ(send<id>(string, "stringWithUTF8String:"_sel, bad), nullptr);
    }
    EXPECT_EQ(send<id>(string, "stringWithCString:encoding:"_sel, "\xe9",
                       NSUInteger{kASCIIStringEncoding}),
              nullptr);
    EXPECT_EQ(send<id>(string, "stringWithUTF8String:"_sel, static_cast<const char*>(nullptr)),
              nullptr);
}

TEST_F(Foundation, StringQueriesStayInsideTheText) {
    id text = autoreleasedNativeString(u"runtime");
    EXPECT_EQ(send<char16_t>(text, "characterAtIndex:"_sel, NSUInteger{3}), u't');
    EXPECT_EQ(send<char16_t>(text, "characterAtIndex:"_sel, NSUInteger{7}), 0);
    char16_t buffer[8] = {};
    send(text, "getCharacters:range:"_sel, buffer, NSRange{4, 100});
    EXPECT_EQ(std::u16string(buffer), u"ime");
    EXPECT_EQ(send<BOOL>(text, "isEqualToString:"_sel, autoreleasedNativeString(u"runtime")), YES);
    EXPECT_EQ(send<BOOL>(text, "isEqualToString:"_sel, autoreleasedNativeString(u"Runtime")), NO);
    EXPECT_EQ(send<id>(text, "description"_sel), text);
    EXPECT_EQ(nativeStringText(send<id>(text, "stringByAppendingString:"_sel,
                                        autoreleasedNativeString(u" texts"))),
              u"runtime texts");
    id bytes = send<id>(text, "dataUsingEncoding:"_sel, NSUInteger{kUnicodeStringEncoding});
    EXPECT_EQ(send<NSUInteger>(bytes, "length"_sel), 14u);
    EXPECT_EQ(send<id>(autoreleasedNativeString(u"\u0100"), "dataUsingEncoding:"_sel,
                       NSUInteger{kISOLatin1StringEncoding}),
              nullptr);
    // A native string's text is empty for anything that is not one.
    EXPECT_EQ(nativeStringText(bytes), u"");
    EXPECT_EQ(nativeStringText(nullptr), u"");
}

TEST_F(Foundation, DataCopiesBorrowsOrTakesOverBytes) {
    char bytes[] = "abc";
    id copied =
        send<id>(data, "dataWithBytes:length:"_sel, static_cast<const void*>(bytes), NSUInteger{3});
    id borrowed = send<id>(data, "dataWithBytesNoCopy:length:freeWhenDone:"_sel,
                           static_cast<void*>(bytes), NSUInteger{3}, NO);
    bytes[0] = 'x';
    EXPECT_EQ(std::memcmp(send<const void*>(copied, "bytes"_sel), "abc", 3), 0);
    EXPECT_EQ(send<const void*>(borrowed, "bytes"_sel), bytes);
    // Handed-over memory is freed with the object (the leak checker would notice otherwise).
    void* owned = std::malloc(16);
    send<id>(data, "dataWithBytesNoCopy:length:freeWhenDone:"_sel, owned, NSUInteger{16}, YES);
    // No bytes for a non-zero length make no data.
    EXPECT_EQ(send<id>(data, "dataWithBytes:length:"_sel, static_cast<const void*>(nullptr),
                       NSUInteger{4}),
              nullptr);
    EXPECT_EQ(send<NSUInteger>(send<id>(data, "data"_sel), "length"_sel), 0u);
}

TEST_F(Foundation, DataReadsWholeRegularFilesOnly) {
    const auto path = std::filesystem::temp_directory_path() / "sondrel-data-test.bin";
    std::ofstream(path, std::ios::binary) << std::string("\0\1\2rtf", 6);
    id contents = send<id>(data, "dataWithContentsOfFile:"_sel,
                           autoreleasedNativeString(u"" + std::u16string(path.u16string())));
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(send<NSUInteger>(contents, "length"_sel), 6u);
    std::filesystem::remove(path);
    EXPECT_EQ(
        send<id>(data, "dataWithContentsOfFile:"_sel, autoreleasedNativeString(path.u16string())),
        nullptr);
    EXPECT_EQ(send<id>(data, "dataWithContentsOfFile:"_sel,
                       autoreleasedNativeString(path.parent_path().u16string())),
              nullptr);
}

} // namespace
} // namespace sondrel::objc
