#include "runtime/windowing/MenuText.h"

#include <gtest/gtest.h>

namespace sondrel::windowing {
namespace {

TEST(MenuText, AmpersandsAreDroppedEverywhere) {
    EXPECT_EQ(StripMenuAmpersands(u"&File && &Edit"), u"File  Edit");
    EXPECT_EQ(StripMenuAmpersands(u""), u"");
}

TEST(MenuText, TextWithoutTabIsAllTitle) {
    const MenuItemText item = ParseMenuItemText(u"Support &Forum");
    EXPECT_EQ(item.title, u"Support Forum");
    EXPECT_EQ(item.keyEquivalent, u"");
    EXPECT_EQ(item.modifierMask, 0u);
}

TEST(MenuText, ShortcutDescriptionsBecomeKeyEquivalents) {
    MenuItemText item = ParseMenuItemText(u"E&xit\tCTRL+Q");
    EXPECT_EQ(item.title, u"Exit");
    EXPECT_EQ(item.keyEquivalent, u"q");
    EXPECT_EQ(item.modifierMask, kControlKeyMask);

    item = ParseMenuItemText(u"Quit\tCmd+Q");
    EXPECT_EQ(item.keyEquivalent, u"q");
    EXPECT_EQ(item.modifierMask, kCommandKeyMask);

    item = ParseMenuItemText(u"Help\tF1");
    EXPECT_EQ(item.title, u"Help");
    EXPECT_EQ(item.keyEquivalent, core::Text(1, char16_t{0xF704}));
    EXPECT_EQ(item.modifierMask, kFunctionKeyMask);

    item = ParseMenuItemText(u"Find\tcmd+ShIfT+f5");
    EXPECT_EQ(item.keyEquivalent, core::Text(1, char16_t{0xF708}));
    EXPECT_EQ(item.modifierMask, kCommandKeyMask | kShiftKeyMask | kFunctionKeyMask);

    item = ParseMenuItemText(u"Options\talt+F12\tignored");
    EXPECT_EQ(item.keyEquivalent, core::Text(1, char16_t{0xF70F}));
    EXPECT_EQ(item.modifierMask, kOptionKeyMask | kFunctionKeyMask);
}

TEST(MenuText, OddShortcutDescriptions) {
    // The key cannot be "+": a trailing "+" leaves an empty last token, which wins.
    MenuItemText item = ParseMenuItemText(u"Zoom In\tCMD++");
    EXPECT_EQ(item.keyEquivalent, u"");
    EXPECT_EQ(item.modifierMask, kCommandKeyMask);

    // The last plain token wins; F13 and F0 are plain tokens.
    item = ParseMenuItemText(u"x\tA+B");
    EXPECT_EQ(item.keyEquivalent, u"b");
    item = ParseMenuItemText(u"x\tF13");
    EXPECT_EQ(item.keyEquivalent, u"f13");
    EXPECT_EQ(item.modifierMask, 0u);

    item = ParseMenuItemText(u"\t");
    EXPECT_EQ(item.title, u"");
    EXPECT_EQ(item.keyEquivalent, u"");
}

} // namespace
} // namespace sondrel::windowing
