#include "runtime/windowing/Shortcuts.h"

#include <algorithm>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSEvent.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "runtime/windowing/WindowRecord.h"

namespace sondrel::windowing {

using appkit::Retained;

void RTShortcutObject::initWithKey(std::int32_t key, std::int32_t itemID) {
    Key = key;
    EventMenuID = itemID;
    const ShortcutKey parsed = ShortcutKeyFromCode(key);
    modifiers = parsed.modifiers;
    character = parsed.character;
}

bool RTShortcutObject::isEventMatch(const appkit::NSEventObject& event,
                                    std::int32_t* itemID) const {
    if (!ShortcutMatches(ShortcutKey{character, modifiers}, event.modifierFlags,
                         event.charactersIgnoringModifiers))
        return false;
    if (itemID != nullptr)
        *itemID = EventMenuID;
    return true;
}

void BindShortcut(core::ObjectNumber window, std::int32_t keyCode, std::int32_t eventNumber) {
    appkit::performOnMainThread([&] {
        RemoveShortcut(window, keyCode);
        WindowRecord* record = core::FindObject(WindowRegistry(), window);
        if (record == nullptr)
            return;
        auto shortcut = Retained<RTShortcutObject>::adopt(
            static_cast<RTShortcutObject*>(objc::createInstance("RTShortcut"_class)));
        if (!shortcut)
            return;
        shortcut->initWithKey(keyCode, eventNumber);
        if (record->shortcuts.capacity() == 0)
            record->shortcuts.reserve(10);
        record->shortcuts.push_back(std::move(shortcut));
    });
}

void RemoveShortcut(core::ObjectNumber window, std::int32_t keyCode) {
    appkit::performOnMainThread([&] {
        WindowRecord* record = core::FindObject(WindowRegistry(), window);
        if (record == nullptr)
            return;
        auto& shortcuts = record->shortcuts;
        const auto found = std::find_if(shortcuts.begin(), shortcuts.end(),
                                        [&](const auto& each) { return each->Key == keyCode; });
        if (found != shortcuts.end())
            shortcuts.erase(found);
    });
}

bool MatchWindowShortcut(core::ObjectNumber window, const appkit::NSEventObject& event,
                         std::int32_t* eventNumber) {
    return appkit::onMainThread([&] {
        const WindowRecord* record = core::FindObject(WindowRegistry(), window);
        if (record == nullptr)
            return false;
        const std::vector<Retained<RTShortcutObject>> shortcuts = record->shortcuts;
        return std::any_of(shortcuts.begin(), shortcuts.end(), [&](const auto& shortcut) {
            return shortcut->isEventMatch(event, eventNumber);
        });
    });
}

namespace {

using objc::id;
using objc::SEL;

objc::BOOL isEventMatch(RTShortcutObject* self, SEL, id event, std::int32_t* itemID) {
    const auto* key = objc::liveCast<appkit::NSEventObject>(event);
    return key != nullptr && self->isEventMatch(*key, itemID) ? objc::YES : objc::NO;
}
objc::BOOL isKeyMatch(RTShortcutObject* self, SEL, std::int32_t key) {
    return self->Key == key ? objc::YES : objc::NO;
}
id initWithKey(RTShortcutObject* self, SEL, std::int32_t key, std::int32_t itemID) {
    self->initWithKey(key, itemID);
    return self;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("RTShortcut", "NSObject", objc::factoryFor<RTShortcutObject>())
        .instanceMethod("isEventMatch:setItemID:", &isEventMatch)
        .instanceMethod("isKeyMatch:", &isKeyMatch)
        .instanceMethod("initWithKey:itemID:", &initWithKey)};

} // namespace
} // namespace sondrel::windowing
