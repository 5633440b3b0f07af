#include "runtime/system/ArgumentSplitter.h"

#include <gtest/gtest.h>

namespace sondrel::system {
namespace {

using Arguments = std::vector<std::string>;

Arguments split(std::string_view text) {
    std::optional<Arguments> arguments = SplitArguments(text);
    EXPECT_TRUE(arguments.has_value()) << text;
    return arguments.value_or(Arguments{});
}

TEST(ArgumentSplitter, BlanksSeparateAndRunsCountAsOne) {
    EXPECT_EQ(split(""), Arguments{});
    EXPECT_EQ(split(" \t\n "), Arguments{});
    EXPECT_EQ(split("  -v\t\t-f \n caff  "), (Arguments{"-v", "-f", "caff"}));
    // A carriage return is no separator; backslashes are ordinary characters.
    EXPECT_EQ(split("a\rb c\\ d"), (Arguments{"a\rb", "c\\", "d"}));
}

TEST(ArgumentSplitter, QuotedArgumentsKeepTheirBlanks) {
    EXPECT_EQ(
        split("-v -f caff -d aac \"/home/a b/My Song.mp3\" \"/out/My Song.caf\""),
        (Arguments{"-v", "-f", "caff", "-d", "aac", "/home/a b/My Song.mp3", "/out/My Song.caf"}));
    EXPECT_EQ(split("\"tab\there\""), Arguments{"tab\there"});
    // Empty quotes give an empty argument, wherever they stand.
    EXPECT_EQ(split("a \"\" b"), (Arguments{"a", "", "b"}));
    EXPECT_EQ(split("\"\""), Arguments{""});
}

TEST(ArgumentSplitter, ClosingQuoteEndsTheArgument) {
    EXPECT_EQ(split("\"one\"\"two\""), (Arguments{"one", "two"}));
    EXPECT_EQ(split("\"one\"two"), (Arguments{"one", "two"}));
    // An unclosed quote runs to a line feed or to the end of the text.
    EXPECT_EQ(split("\"open to the end"), Arguments{"open to the end"});
    EXPECT_EQ(split("\"first line\nsecond"), (Arguments{"first line", "second"}));
    EXPECT_EQ(split("\""), Arguments{""});
}

TEST(ArgumentSplitter, QuoteInsideAWordIsOrdinary) {
    EXPECT_EQ(split("ab\"cd"), Arguments{"ab\"cd"});
    EXPECT_EQ(split("say=\"hello world\""), (Arguments{"say=\"hello", "world\""}));
}

TEST(ArgumentSplitter, MultiByteCharactersPassThrough) {
    EXPECT_EQ(split("\"caf\xC3\xA9 \xF0\x9F\x8E\xB5\" \xE2\x80\x94"),
              (Arguments{"caf\xC3\xA9 \xF0\x9F\x8E\xB5", "\xE2\x80\x94"}));
}

TEST(ArgumentSplitter, TextEndsAtAZeroByte) {
    EXPECT_EQ(split(std::string_view("a b\0c d", 7)), (Arguments{"a", "b"}));
}

TEST(ArgumentSplitter, AtMost510Arguments) {
    std::string text;
    for (std::size_t i = 0; i < kMaxProgramArguments; ++i) {
        text += "x ";
    }
    EXPECT_EQ(split(text).size(), kMaxProgramArguments);
    EXPECT_FALSE(SplitArguments(text + "one-too-many").has_value());
    EXPECT_FALSE(SplitArguments(text + "\"\"").has_value());
}

} // namespace
} // namespace sondrel::system
