#include "runtime/windowing/ShortcutKey.h"

#include <gtest/gtest.h>

#include "runtime/windowing/MenuText.h"

namespace sondrel::windowing {
namespace {

TEST(ShortcutKey, SpecialKeysAndFunctionKeys) {
    EXPECT_EQ(ShortcutKeyFromCode(378).character, 0xF704); // F1
    EXPECT_EQ(ShortcutKeyFromCode(367).character, 0xF70F); // F12
    EXPECT_EQ(ShortcutKeyFromCode(8).character, 0x7F);
    EXPECT_EQ(ShortcutKeyFromCode(28).character, 0xF702);
    EXPECT_EQ(ShortcutKeyFromCode(378).modifiers, 0u);
    // A special key keeps its character with Shift: the table wins over the shifted form.
    const ShortcutKey shiftedReturn = ShortcutKeyFromCode(13 | kShortcutShift);
    EXPECT_EQ(shiftedReturn.character, 13);
    EXPECT_EQ(shiftedReturn.modifiers, static_cast<std::uint64_t>(kShortcutShift));
}

TEST(ShortcutKey, ShiftGivesTheShiftedCharacter) {
    EXPECT_EQ(ShortcutKeyFromCode('a' | kShortcutShift).character, u'A');
    EXPECT_EQ(ShortcutKeyFromCode('3' | kShortcutShift).character, 0xA7);
    EXPECT_EQ(ShortcutKeyFromCode('7' | kShortcutShift).character, u'/');
    EXPECT_EQ(ShortcutKeyFromCode('\t' | kShortcutShift).character, 0x19);
    EXPECT_EQ(ShortcutKeyFromCode('#' | kShortcutShift).character, u'#'); // not in the table
    EXPECT_EQ(ShortcutKeyFromCode('a').character, u'a');
}

TEST(ShortcutKey, MatchingNeedsExactModifiersAndOneCharacter) {
    const ShortcutKey f1 = ShortcutKeyFromCode(378);
    const std::u16string f1Text(1, char16_t{0xF704});
    EXPECT_TRUE(ShortcutMatches(f1, kFunctionKeyMask, f1Text)); // other flags are ignored
    EXPECT_FALSE(ShortcutMatches(f1, kCommandKeyMask, f1Text));
    EXPECT_FALSE(ShortcutMatches(f1, 0, f1Text + f1Text));
    EXPECT_FALSE(ShortcutMatches(f1, 0, u""));

    const ShortcutKey commandShiftS = ShortcutKeyFromCode('s' | kShortcutCommand | kShortcutShift);
    EXPECT_TRUE(ShortcutMatches(commandShiftS, kCommandKeyMask | kShiftKeyMask, u"S"));
    EXPECT_FALSE(ShortcutMatches(commandShiftS, kCommandKeyMask | kShiftKeyMask, u"s"));
    EXPECT_FALSE(ShortcutMatches(commandShiftS, kCommandKeyMask, u"S"));

    const ShortcutKey controlOptionX =
        ShortcutKeyFromCode('x' | kShortcutControl | kShortcutOption);
    EXPECT_TRUE(ShortcutMatches(controlOptionX, kControlKeyMask | kOptionKeyMask, u"x"));
    EXPECT_FALSE(ShortcutMatches(controlOptionX, kCommandKeyMask | kOptionKeyMask, u"x"));

    // Keypad Enter reports character 3 and counts as Return.
    EXPECT_TRUE(ShortcutMatches(ShortcutKeyFromCode(13), 0, std::u16string(1, char16_t{3})));
}

} // namespace
} // namespace sondrel::windowing
