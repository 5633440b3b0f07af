// The messages of NSMenu and NSMenuItem.

#include "platform/appkit/NSEvent.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSMenu.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

id menuInitWithTitle(NSMenuObject* self, SEL, id title) {
    self->setTitle(objc::nativeStringText(title));
    return self;
}
BOOL performKeyEquivalent(NSMenuObject* self, SEL, id event) {
    auto* key = objc::liveCast<NSEventObject>(event);
    return key != nullptr && self->performKeyEquivalent(*key) ? YES : NO;
}

// The message answers nothing; the member says whether an item acted.
void performActionForItemAtIndex(NSMenuObject* self, SEL, NSInteger index) {
    self->performActionForItemAtIndex(index);
}

// Menus and their items are Qt menus and actions: every message runs on the main thread.
const objc::ClassRegistration menuRegistration{
    objc::ClassDefinition("NSMenu", "NSObject", objc::factoryFor<NSMenuObject, OnMainThread>())
        .instanceMethod<&destroyInstance, OnMainThread>("dealloc")
        .instanceMethod<&menuInitWithTitle, OnMainThread>("initWithTitle:")
        .instanceMethod<&NSMenuObject::title, OnMainThread>("title")
        .instanceMethod<&NSMenuObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSMenuObject::addItem, OnMainThread>("addItem:")
        .instanceMethod<&NSMenuObject::insertItem, OnMainThread>("insertItem:atIndex:")
        .instanceMethod<&NSMenuObject::removeItem, OnMainThread>("removeItem:")
        .instanceMethod<&NSMenuObject::removeAllItems, OnMainThread>("removeAllItems")
        .instanceMethod<&NSMenuObject::numberOfItems, OnMainThread>("numberOfItems")
        .instanceMethod<&NSMenuObject::itemAtIndex, OnMainThread>("itemAtIndex:")
        .instanceMethod<&NSMenuObject::indexOfItem, OnMainThread>("indexOfItem:")
        .instanceMethod<&NSMenuObject::setAutoenablesItems, OnMainThread>("setAutoenablesItems:")
        .instanceMethod<&NSMenuObject::autoenablesItems, OnMainThread>("autoenablesItems")
        .instanceMethod<&NSMenuObject::update, OnMainThread>("update")
        .instanceMethod<&performKeyEquivalent, OnMainThread>("performKeyEquivalent:")
        .instanceMethod<&performActionForItemAtIndex, OnMainThread>(
            "performActionForItemAtIndex:")};

id itemInit(NSMenuItemObject* self, SEL, id title, SEL action, id key) {
    self->setTitle(objc::nativeStringText(title));
    self->setAction(action);
    self->setKeyEquivalent(objc::nativeStringText(key));
    return self;
}
id separatorItem(Class, SEL) {
    return objc::autorelease(newSeparatorItem());
}
BOOL hasSubmenu(NSMenuItemObject* self, SEL) {
    return self->submenu() != nullptr ? YES : NO;
}

const objc::ClassRegistration menuItemRegistration{
    objc::ClassDefinition("NSMenuItem", "NSObject",
                          objc::factoryFor<NSMenuItemObject, OnMainThread>())
        .instanceMethod<&destroyInstance, OnMainThread>("dealloc")
        .instanceMethod<&itemInit, OnMainThread>("initWithTitle:action:keyEquivalent:")
        .classMethod<&separatorItem, OnMainThread>("separatorItem")
        .instanceMethod<&NSMenuItemObject::title, OnMainThread>("title")
        .instanceMethod<&NSMenuItemObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSMenuItemObject::action, OnMainThread>("action")
        .instanceMethod<&NSMenuItemObject::setAction, OnMainThread>("setAction:")
        .instanceMethod<&NSMenuItemObject::target, OnMainThread>("target")
        .instanceMethod<&NSMenuItemObject::setTarget, OnMainThread>("setTarget:")
        .instanceMethod<&NSMenuItemObject::keyEquivalent, OnMainThread>("keyEquivalent")
        .instanceMethod<&NSMenuItemObject::setKeyEquivalent, OnMainThread>("setKeyEquivalent:")
        .instanceMethod<&NSMenuItemObject::keyEquivalentModifierMask, OnMainThread>(
            "keyEquivalentModifierMask")
        .instanceMethod<&NSMenuItemObject::setKeyEquivalentModifierMask, OnMainThread>(
            "setKeyEquivalentModifierMask:")
        .instanceMethod<&NSMenuItemObject::tag, OnMainThread>("tag")
        .instanceMethod<&NSMenuItemObject::setTag, OnMainThread>("setTag:")
        .instanceMethod<&NSMenuItemObject::representedObject, OnMainThread>("representedObject")
        .instanceMethod<&NSMenuItemObject::setRepresentedObject, OnMainThread>(
            "setRepresentedObject:")
        .instanceMethod<&NSMenuItemObject::submenu, OnMainThread>("submenu")
        .instanceMethod<&NSMenuItemObject::setSubmenu, OnMainThread>("setSubmenu:")
        .instanceMethod<&hasSubmenu, OnMainThread>("hasSubmenu")
        .instanceMethod<&NSMenuItemObject::image, OnMainThread>("image")
        .instanceMethod<&NSMenuItemObject::setImage, OnMainThread>("setImage:")
        .instanceMethod<&NSMenuItemObject::isSeparatorItem, OnMainThread>("isSeparatorItem")
        .instanceMethod<&NSMenuItemObject::isEnabled, OnMainThread>("isEnabled")
        .instanceMethod<&NSMenuItemObject::setEnabled, OnMainThread>("setEnabled:")
        .instanceMethod<&NSMenuItemObject::menu, OnMainThread>("menu")};

} // namespace
} // namespace sondrel::appkit
