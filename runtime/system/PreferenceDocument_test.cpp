#include "runtime/system/PreferenceDocument.h"

#include <gtest/gtest.h>

namespace sondrel::system {
namespace {

using Entry = PreferenceDocument::Entry;
using Kind = PreferenceDocument::Kind;
using Entries = std::list<Entry>;

Entry group(std::string name) {
    return {Kind::Group, {}, std::move(name)};
}
Entry comment(std::string text) {
    return {Kind::Comment, {}, std::move(text)};
}
Entry key(std::string key, std::string value) {
    return {Kind::Key, std::move(key), std::move(value)};
}

TEST(PreferenceDocument, ReadsEveryKindOfLine) {
    PreferenceDocument document = PreferenceDocument::parse("\xEF\xBB\xBF\n"
                                                            "; one space\n"
                                                            ";none\n"
                                                            "\t  [ Spaced Group ] ignored\n"
                                                            "key   =   value  \n"
                                                            "a=b=c\n"
                                                            "novalue  \n"
                                                            "[Unclosed\n"
                                                            "=empty key\n");
    EXPECT_EQ(document.entries(),
              (Entries{comment("one space"), comment("none"), group(" Spaced Group "),
                       key("key", "value  "), key("a", "b=c"), key("novalue", ""),
                       group("Unclosed"), key("", "empty key")}));
}

TEST(PreferenceDocument, AnyRunOfLineEndsIsOneLineEnd) {
    PreferenceDocument document =
        PreferenceDocument::parse("\xEF\xBB\xBF\r\n\r\n[G]\r\n\r\n\r\nk = 1\r\rj=2\n\r");
    EXPECT_EQ(document.entries(), (Entries{group("G"), key("k", "1"), key("j", "2")}));
    EXPECT_EQ(document.serialize(0), "\xEF\xBB\xBF\n[G]\nk = 1\nj = 2\n");
}

TEST(PreferenceDocument, WithoutByteOrderMarkTheFileIsLatin1) {
    PreferenceDocument document = PreferenceDocument::parse("[G]\nname = caf\xE9\n");
    EXPECT_EQ(document.entries(), (Entries{group("G"), key("name", "caf\xC3\xA9")}));
    EXPECT_EQ(document.serialize(0), "\xEF\xBB\xBF\n[G]\nname = caf\xC3\xA9\n");
    // Two bytes are too short for a mark.
    EXPECT_EQ(PreferenceDocument::parse("\xEF\xBB").entries(),
              Entries{key("\xC3\xAF\xC2\xBB", "")});
}

TEST(PreferenceDocument, WritingOptions) {
    PreferenceDocument document =
        PreferenceDocument::parse("\xEF\xBB\xBF\n[A]\nx = 1\n[B]\ny = 2\n");
    EXPECT_EQ(document.serialize(PreferenceDocument::kCompactKeys),
              "\xEF\xBB\xBF\n[A]\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(document.serialize(PreferenceDocument::kBlankLineBeforeGroups),
              "\xEF\xBB\xBF\n[A]\nx = 1\n\n[B]\ny = 2\n");
}

TEST(PreferenceDocument, LooksUpKeysInTheSelectedGroupIgnoringCase) {
    PreferenceDocument document = PreferenceDocument::parse(
        "\xEF\xBB\xBF\ntop=0\n[One]\nKey=1\n; note\nKEY = 9\n[Two]\nkey=2\n");
    EXPECT_EQ(document.findValue("top"), "0");
    EXPECT_EQ(document.findValue("key"), std::nullopt); // not before the first group
    EXPECT_TRUE(document.selectGroup("one"));
    EXPECT_EQ(document.findValue("kEy"), "1"); // later duplicates are never seen
    EXPECT_TRUE(document.selectGroup("TWO"));
    EXPECT_EQ(document.findValue("key"), "2");
    EXPECT_EQ(document.findValue("top"), std::nullopt);
    EXPECT_FALSE(document.selectGroup("Three"));
    EXPECT_EQ(document.findValue("key"), std::nullopt); // a missing group has no keys
    // Selecting an existing group forgets the missing one.
    EXPECT_TRUE(document.selectGroup("One"));
    EXPECT_EQ(document.findValue("key"), "1");
    EXPECT_TRUE(document.selectGroup(""));
    EXPECT_EQ(document.findValue("top"), "0");
}

TEST(PreferenceDocument, WritesPlaceKeysInTheirGroup) {
    PreferenceDocument document =
        PreferenceDocument::parse("\xEF\xBB\xBF\n; lead\n[One]\na = 1\n[Two]\nb = 2\n");
    EXPECT_TRUE(document.selectGroup("one"));
    EXPECT_TRUE(document.writeValue("c", "3"));  // after the group's last entry
    EXPECT_TRUE(document.writeValue("A", "10")); // the caller's spelling replaces the file's
    EXPECT_TRUE(document.selectGroup(""));
    EXPECT_TRUE(document.writeValue("top", "0")); // before the first group
    EXPECT_FALSE(document.selectGroup("Three"));
    EXPECT_TRUE(document.writeValue("d", "4")); // makes the group at the end
    EXPECT_EQ(document.serialize(0), "\xEF\xBB\xBF\n; lead\ntop = 0\n[One]\nA = 10\nc = 3\n"
                                     "[Two]\nb = 2\n[Three]\nd = 4\n");

    PreferenceDocument startsWithGroup = PreferenceDocument::parse("\xEF\xBB\xBF\n[G]\n");
    EXPECT_TRUE(startsWithGroup.writeValue("first", "1"));
    EXPECT_EQ(startsWithGroup.serialize(0), "\xEF\xBB\xBF\nfirst = 1\n[G]\n");
}

TEST(PreferenceDocument, RefusesWhatWouldNotReadBack) {
    PreferenceDocument document;
    for (std::string_view bad : {"a=b", "line\nend", "cr\r", " lead", "trail\t", ";c", "[g"}) {
        EXPECT_FALSE(document.writeValue(bad, "1")) << bad;
    }
    EXPECT_FALSE(document.writeValue("k", " 1"));
    EXPECT_FALSE(document.writeValue("k", "1\n[x]"));
    document.selectGroup("bad]name");
    EXPECT_FALSE(document.writeValue("k", "1"));
    EXPECT_TRUE(document.entries().empty());
}

TEST(PreferenceDocument, EmptyFileIsWrittenWithoutMarkWhileItIsAscii) {
    PreferenceDocument empty = PreferenceDocument::parse("");
    EXPECT_EQ(empty.serialize(0), "");
    EXPECT_TRUE(empty.writeValue("Key", "1"));
    EXPECT_EQ(empty.serialize(0), "Key = 1\n");
    // Without the mark a non-ASCII key would be read back as ISO 8859-1.
    EXPECT_TRUE(empty.writeValue("cl\xC3\xA9", "2"));
    EXPECT_EQ(empty.serialize(0), "\xEF\xBB\xBF\nKey = 1\ncl\xC3\xA9 = 2\n");
    EXPECT_EQ(PreferenceDocument().serialize(0), "\xEF\xBB\xBF\n");
}

} // namespace
} // namespace sondrel::system
