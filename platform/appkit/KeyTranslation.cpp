#include "platform/appkit/KeyTranslation.h"

#include <array>
#include <utility>

#include <QKeyEvent>

namespace sondrel::appkit {
namespace {

int g_bypassDepth = 0;

struct SpecialKey {
    Qt::Key key;
    char16_t character;
};

// Keys whose Cocoa character is not the character Qt reports.
constexpr std::array kSpecialKeys{
    SpecialKey{Qt::Key_Home, NSHomeFunctionKey},
    SpecialKey{Qt::Key_End, NSEndFunctionKey},
    SpecialKey{Qt::Key_Insert, NSInsertFunctionKey},
    SpecialKey{Qt::Key_Help, NSHelpFunctionKey},
    SpecialKey{Qt::Key_Backspace, 0x7F},
    SpecialKey{Qt::Key_PageUp, NSPageUpFunctionKey},
    SpecialKey{Qt::Key_PageDown, NSPageDownFunctionKey},
    SpecialKey{Qt::Key_Return, 0x0D},
    SpecialKey{Qt::Key_Enter, 0x03},
    SpecialKey{Qt::Key_Escape, 0x1B},
    SpecialKey{Qt::Key_Left, NSLeftArrowFunctionKey},
    SpecialKey{Qt::Key_Right, NSRightArrowFunctionKey},
    SpecialKey{Qt::Key_Up, NSUpArrowFunctionKey},
    SpecialKey{Qt::Key_Down, NSDownArrowFunctionKey},
    SpecialKey{Qt::Key_Delete, NSDeleteFunctionKey},
    SpecialKey{Qt::Key_Tab, 0x09},
    SpecialKey{Qt::Key_Backtab, 0x19},
    SpecialKey{Qt::Key_Space, 0x20},
};

// Keys for which Cocoa sets the function-key flag.
bool isFunctionKey(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return true;
    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Insert:
    case Qt::Key_Help:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

// The Cocoa character of a key, with Shift applied; 0 when there is none.
char16_t cocoaCharacter(int key, bool shift, const QString& text) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return static_cast<char16_t>(NSF1FunctionKey + (key - Qt::Key_F1));
    for (const SpecialKey& special : kSpecialKeys) {
        if (special.key == key)
            return special.character;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<char16_t>(shift ? key : key - Qt::Key_A + u'a');
    if (key > 0 && key < 0xD800)
        return static_cast<char16_t>(key); // Qt reports the character the layout gives
    if (text.size() == 1 && text[0].unicode() >= 0x20)
        return text[0].unicode();
    return 0;
}

} // namespace

NSUInteger cocoaModifierFlags(Qt::KeyboardModifiers modifiers) {
    NSUInteger flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= NSEventModifierFlagShift;
    if (modifiers & Qt::ControlModifier)
        flags |= NSEventModifierFlagCommand;
    if (modifiers & Qt::MetaModifier)
        flags |= NSEventModifierFlagControl;
    if (modifiers & Qt::AltModifier)
        flags |= NSEventModifierFlagOption;
    if (modifiers & Qt::KeypadModifier)
        flags |= NSEventModifierFlagNumericPad;
    return flags;
}

CocoaKey cocoaKeyFromQt(const QKeyEvent& event) {
    CocoaKey key;
    key.modifierFlags = cocoaModifierFlags(event.modifiers());
    if (isFunctionKey(event.key()))
        key.modifierFlags |= NSEventModifierFlagFunction;
    const bool shift = (event.modifiers() & Qt::ShiftModifier) != 0;
    if (const char16_t character = cocoaCharacter(event.key(), shift, event.text()); character != 0)
        key.charactersIgnoringModifiers.assign(1, character);
    const QString text = event.text();
    if (!text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F)
        key.characters = text.toStdU16String();
    else
        key.characters = key.charactersIgnoringModifiers;
    key.keyCode = static_cast<unsigned short>(event.nativeVirtualKey());
    return key;
}

QKeySequence qtKeySequence(std::u16string_view keyEquivalent, NSUInteger modifierMask) {
    if (keyEquivalent.size() != 1)
        return {};
    const char16_t character = keyEquivalent[0];
    int key = 0;
    if (character >= NSF1FunctionKey && character <= NSF1FunctionKey + 34) {
        key = Qt::Key_F1 + (character - NSF1FunctionKey);
    } else {
        for (const SpecialKey& special : kSpecialKeys) {
            if (special.character == character && special.key != Qt::Key_Enter)
                key = special.key;
        }
    }
    int modifiers = 0;
    if (key == 0) {
        const QChar qchar(character);
        if (qchar.isUpper())
            modifierMask |= NSEventModifierFlagShift; // an upper-case equivalent implies Shift
        key = qchar.toUpper().unicode();
    }
    if (modifierMask & NSEventModifierFlagShift)
        modifiers |= Qt::SHIFT;
    if (modifierMask & NSEventModifierFlagCommand)
        modifiers |= Qt::CTRL;
    if (modifierMask & NSEventModifierFlagControl)
        modifiers |= Qt::META;
    if (modifierMask & NSEventModifierFlagOption)
        modifiers |= Qt::ALT;
    return QKeySequence(key | modifiers);
}

KeyCaptureBypass::KeyCaptureBypass() {
    ++g_bypassDepth;
}
KeyCaptureBypass::~KeyCaptureBypass() {
    --g_bypassDepth;
}
bool KeyCaptureBypass::active() {
    return g_bypassDepth > 0;
}

} // namespace sondrel::appkit
