#include "runtime/windowing/ShortcutKey.h"

#include "runtime/windowing/MenuText.h"

namespace sondrel::windowing {
namespace {

// The character a key press reports for a key code's key when Shift is held (the layout the key
// codes were written for); other characters stay.
char16_t ShiftedCharacter(char16_t character) {
    if (character >= u'a' && character <= u'z')
        return static_cast<char16_t>(character - u'a' + u'A');
    switch (character) {
    case u'\t':
        return 0x19;
    case u'+':
        return u'*';
    case u',':
        return u';';
    case u'-':
        return u'_';
    case u'.':
        return u':';
    case u'0':
        return u'=';
    case u'1':
        return u'!';
    case u'2':
        return u'"';
    case u'3':
        return 0xA7; // section sign
    case u'4':
        return u'$';
    case u'5':
        return u'%';
    case u'6':
        return u'&';
    case u'7':
        return u'/';
    case u'8':
        return u'(';
    case u'9':
        return u')';
    default:
        return character;
    }
}

// The character of a special key code, or 0 when the key is a plain character.
char16_t SpecialKeyCharacter(std::int32_t key) {
    switch (key) {
    case 1:
        return 0xF729; // Home
    case 4:
        return 0xF72B; // End
    case 5:
        return 0xF727; // Help / Insert
    case 8:
        return 0x7F; // Backspace
    case 11:
        return 0xF72C; // Page Up
    case 12:
        return 0xF72D; // Page Down
    case 13:
        return 0x0D; // Return
    case 27:
        return 0x1B; // Escape
    case 28:
        return 0xF702; // left arrow
    case 29:
        return 0xF703; // right arrow
    case 30:
        return 0xF700; // up arrow
    case 31:
        return 0xF701; // down arrow
    case 127:
        return 0xF728; // forward delete
    case 378:
        return 0xF704; // F1
    case 376:
        return 0xF705; // F2
    case 355:
        return 0xF706; // F3
    case 374:
        return 0xF707; // F4
    case 352:
        return 0xF708; // F5
    case 353:
        return 0xF709; // F6
    case 354:
        return 0xF70A; // F7
    case 356:
        return 0xF70B; // F8
    case 357:
        return 0xF70C; // F9
    case 365:
        return 0xF70D; // F10
    case 359:
        return 0xF70E; // F11
    case 367:
        return 0xF70F; // F12
    default:
        return 0;
    }
}

} // namespace

ShortcutKey ShortcutKeyFromCode(std::int32_t keyCode) {
    ShortcutKey key;
    key.modifiers = static_cast<std::uint64_t>(keyCode & kShortcutModifiers);
    key.character = static_cast<char16_t>(keyCode & 0xFFFF);
    if ((keyCode & kShortcutShift) != 0)
        key.character = ShiftedCharacter(key.character);
    if (const char16_t special = SpecialKeyCharacter(keyCode & ~kShortcutModifiers); special != 0)
        key.character = special;
    return key;
}

std::uint64_t ShortcutModifiersFromEventFlags(std::uint64_t eventFlags) {
    std::uint64_t modifiers = 0;
    if ((eventFlags & kControlKeyMask) != 0)
        modifiers |= kShortcutControl;
    if ((eventFlags & kShiftKeyMask) != 0)
        modifiers |= kShortcutShift;
    if ((eventFlags & kCommandKeyMask) != 0)
        modifiers |= kShortcutCommand;
    if ((eventFlags & kOptionKeyMask) != 0)
        modifiers |= kShortcutOption;
    return modifiers;
}

bool ShortcutMatches(const ShortcutKey& key, std::uint64_t eventFlags,
                     core::TextView charactersIgnoringModifiers) {
    if (ShortcutModifiersFromEventFlags(eventFlags) != key.modifiers)
        return false;
    if (charactersIgnoringModifiers.size() != 1)
        return false;
    char16_t character = charactersIgnoringModifiers[0];
    if (character == 3)
        character = 13;
    return character == key.character;
}

} // namespace sondrel::windowing
