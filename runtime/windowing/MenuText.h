#pragma once

// Menu texts as the program writes them: "&" marks are dropped, and an item text may carry a
// shortcut description after a tab ("Quit\tCmd+Q", "Help\tF1") that becomes the item's key
// equivalent and modifier mask (Cocoa modifier bits; Command is the Ctrl key on this platform).

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::windowing {

inline constexpr std::uint64_t kShiftKeyMask = 0x20000;
inline constexpr std::uint64_t kControlKeyMask = 0x40000;
inline constexpr std::uint64_t kOptionKeyMask = 0x80000;
inline constexpr std::uint64_t kCommandKeyMask = 0x100000;
inline constexpr std::uint64_t kFunctionKeyMask = 0x800000;

// First of the characters that stand for F1 to F12 (U+F704 to U+F70F).
inline constexpr char16_t kF1Character = 0xF704;

struct MenuItemText {
    core::Text title;
    core::Text keyEquivalent; // empty: no key equivalent
    std::uint64_t modifierMask = 0;
};

// The text without any "&".
core::Text StripMenuAmpersands(core::TextView text);

// Splits an item text into title and key equivalent. The part after the first tab is read as
// "+"-separated tokens in any letter case: CMD, SHIFT, ALT and CTRL add their modifier, F1 to F12
// give a function key, any other token (the last one wins) is the key, lower-cased. Parts after a
// second tab are ignored. Without a tab the whole text is the title.
MenuItemText ParseMenuItemText(core::TextView text);

} // namespace sondrel::windowing
