#include "platform/appkit/FileNameUrls.h"

#include <gtest/gtest.h>

namespace sondrel::appkit {
namespace {

using Names = std::vector<std::u16string>;

TEST(FileNameUrls, EveryByteOfANameSurvivesTheUriList) {
    // What a file manager offers for /tmp/h <FF><FE>.wav, /tmp/é.wav and a
    // name with an ISO 8859-1 é; then the same through UriList.
    const QByteArray list = "file:///tmp/h%20%FF%FE.wav\r\nfile:///tmp/%C3%A9.wav\r\n"
                            "file://localhost/tmp/caf%E9%20%25.wav\r\n";
    const Names names{u"/tmp/h \xdcff\xdcfe.wav", u"/tmp/\u00e9.wav", u"/tmp/caf\xdce9 %.wav"};
    EXPECT_EQ(LocalFileNames(list), names);
    EXPECT_EQ(LocalFileNames(UriList(names)), names);
    EXPECT_EQ(UriList({u"/a b/c\u00e9\xdcff"}), "file:///a%20b/c%C3%A9%FF\r\n");
    // U+10C80 (D803 DC80) is a character, not an escaped byte.
    EXPECT_EQ(UriList({u"/\xd803\xdc80\xdc80"}), "file:///%F0%90%B2%80%80\r\n");
    EXPECT_EQ(LocalFileNames("file:///%F0%90%B2%80%80"), Names{u"/\xd803\xdc80\xdc80"});
}

TEST(FileNameUrls, OnlyLocalFilesCount) {
    const QByteArray list = "# a comment\n\nhttp://example.org/x.wav\nfile://elsewhere/y.wav\n"
                            "file:///z.wav";
    EXPECT_EQ(LocalFileNames(list), Names{u"/z.wav"});
    // A text with a lone surrogate that stands for no byte names no file.
    EXPECT_EQ(UriList({u"/a\xd800.wav", u"/b.wav"}), "file:///b.wav\r\n");
}

} // namespace
} // namespace sondrel::appkit
