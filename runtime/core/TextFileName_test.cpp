#include "runtime/core/TextFileName.h"

#include <gtest/gtest.h>

namespace sondrel::core {
namespace {

TEST(TextFileName, EscapedBytesAreShownAsReplacementCharactersOnly) {
    // A character whose pair ends in DC80, then the escaped byte 0x80.
    const Text text = FileNameToText("\xf0\x90\xb2\x80 \x80");
    EXPECT_EQ(FileNameForDisplay(text), u"\xd803\xdc80 \ufffd");
    EXPECT_EQ(FileNameForDisplay(u"plain.wav"), u"plain.wav");
}

} // namespace
} // namespace sondrel::core
