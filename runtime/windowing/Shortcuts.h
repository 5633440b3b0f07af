#pragma once

// Keyboard shortcuts of a window: key codes (ShortcutKey.h) bound to event numbers. WaitEvent
// asks the key window's shortcuts, in binding order, about every key press aimed at it; the
// first match posts MenuEvent with the bound number and the key press goes no further.

#include <cstdint>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/windowing/ShortcutKey.h"

namespace sondrel::appkit {
class NSEventObject;
}

namespace sondrel::windowing {

class RTShortcutObject : public objc::Object {
public:
    using Object::Object;

    std::int32_t Key = 0;
    std::int32_t EventMenuID = 0;
    char16_t character = 0;
    std::uint64_t modifiers = 0;

    void initWithKey(std::int32_t key, std::int32_t itemID);
    // True (with the bound number in *itemID) when the key event is this shortcut.
    bool isEventMatch(const appkit::NSEventObject& event, std::int32_t* itemID) const;
};

// Binds the key code to the event number in the window, replacing an earlier binding of the
// same key code. Unknown windows are ignored.
void BindShortcut(core::ObjectNumber window, std::int32_t keyCode, std::int32_t eventNumber);
// Removes the window's first shortcut bound to the key code.
void RemoveShortcut(core::ObjectNumber window, std::int32_t keyCode);

// For WaitEvent: the event number of the first of the window's shortcuts that matches the key
// event, or false when none does (or the window is unknown).
bool MatchWindowShortcut(core::ObjectNumber window, const appkit::NSEventObject& event,
                         std::int32_t* eventNumber);

} // namespace sondrel::windowing
