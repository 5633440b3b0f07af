#pragma once

// Key codes of BindShortcut and how a key press is matched against them.
//
// A key code holds the key in bits 0-15 and the modifiers in bits 16-19 (0x10000 Shift, 0x20000
// Control, 0x40000 Option, 0x80000 Command). The key is a character code or one of the special key
// codes (Home 1, End 4, Help 5, Backspace 8, Page Up 11, Page Down 12, Return 13, Escape 27,
// arrows 28-31, forward delete 127, function keys 256 + the key's virtual key code: F1 is 378).

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::windowing {

inline constexpr std::int32_t kShortcutShift = 0x10000;
inline constexpr std::int32_t kShortcutControl = 0x20000;
inline constexpr std::int32_t kShortcutOption = 0x40000;
inline constexpr std::int32_t kShortcutCommand = 0x80000;
inline constexpr std::int32_t kShortcutModifiers = 0xF0000;

// What a key code matches: one character as a key press reports it (ignoring modifiers but with
// Shift applied) and the exact set of modifiers.
struct ShortcutKey {
    char16_t character = 0;
    std::uint64_t modifiers = 0; // the key code's bits 16-19
};

ShortcutKey ShortcutKeyFromCode(std::int32_t keyCode);

// The key code modifier bits for a key press's Cocoa modifier flags; other flags are ignored.
std::uint64_t ShortcutModifiersFromEventFlags(std::uint64_t eventFlags);

// True when a key press with these flags and characters (ignoring modifiers) is `key`. Keypad
// Enter (character 3) counts as Return.
bool ShortcutMatches(const ShortcutKey& key, std::uint64_t eventFlags,
                     core::TextView charactersIgnoringModifiers);

} // namespace sondrel::windowing
