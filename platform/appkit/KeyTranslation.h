#pragma once

// Between Qt key presses and Cocoa key events and key equivalents. Modifiers map as Qt maps them
// on macOS: Command is the Ctrl key, Control is Meta, Option is Alt.

#include <string>
#include <string_view>

#include <QKeySequence>
#include <Qt>

#include "platform/appkit/AppKitTypes.h"

class QKeyEvent;

namespace sondrel::appkit {

struct CocoaKey {
    std::u16string characters;
    // With Shift applied but no other modifier: "A" for Shift+a, "q" for Ctrl+Q.
    std::u16string charactersIgnoringModifiers;
    NSUInteger modifierFlags = 0;
    unsigned short keyCode = 0;
};

CocoaKey cocoaKeyFromQt(const QKeyEvent& event);
NSUInteger cocoaModifierFlags(Qt::KeyboardModifiers modifiers);

// The Qt key sequence a key equivalent stands for (for showing it in a menu); empty when the key
// has no Qt counterpart.
QKeySequence qtKeySequence(std::u16string_view keyEquivalent, NSUInteger modifierMask);

// While one exists on the main thread, key presses pass the application's key capture untouched
// (used to deliver a captured key press to its widget).
class KeyCaptureBypass {
public:
    KeyCaptureBypass();
    ~KeyCaptureBypass();
    KeyCaptureBypass(const KeyCaptureBypass&) = delete;
    KeyCaptureBypass& operator=(const KeyCaptureBypass&) = delete;
    static bool active();
};

} // namespace sondrel::appkit
