// The messages of NSMenu and NSMenuItem.

#include "platform/appkit/NSEvent.h"
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
void performActionForItemAtIndex(NSMenuObject* self, SEL, NSInteger index) {
    self->performActionForItemAtIndex(index);
}

const objc::ClassRegistration menuRegistration{
    objc::ClassDefinition("NSMenu", "NSObject", objc::factoryFor<NSMenuObject>())
        .instanceMethod("initWithTitle:", &menuInitWithTitle)
        .instanceMethod<&NSMenuObject::title>("title")
        .instanceMethod<&NSMenuObject::setTitle>("setTitle:")
        .instanceMethod<&NSMenuObject::addItem>("addItem:")
        .instanceMethod<&NSMenuObject::insertItem>("insertItem:atIndex:")
        .instanceMethod<&NSMenuObject::removeItem>("removeItem:")
        .instanceMethod<&NSMenuObject::removeAllItems>("removeAllItems")
        .instanceMethod<&NSMenuObject::numberOfItems>("numberOfItems")
        .instanceMethod<&NSMenuObject::itemAtIndex>("itemAtIndex:")
        .instanceMethod<&NSMenuObject::indexOfItem>("indexOfItem:")
        .instanceMethod<&NSMenuObject::setAutoenablesItems>("setAutoenablesItems:")
        .instanceMethod<&NSMenuObject::autoenablesItems>("autoenablesItems")
        .instanceMethod<&NSMenuObject::update>("update")
        .instanceMethod("performKeyEquivalent:", &performKeyEquivalent)
        .instanceMethod("performActionForItemAtIndex:", &performActionForItemAtIndex)};

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
    objc::ClassDefinition("NSMenuItem", "NSObject", objc::factoryFor<NSMenuItemObject>())
        .instanceMethod("initWithTitle:action:keyEquivalent:", &itemInit)
        .classMethod("separatorItem", &separatorItem)
        .instanceMethod<&NSMenuItemObject::title>("title")
        .instanceMethod<&NSMenuItemObject::setTitle>("setTitle:")
        .instanceMethod<&NSMenuItemObject::action>("action")
        .instanceMethod<&NSMenuItemObject::setAction>("setAction:")
        .instanceMethod<&NSMenuItemObject::target>("target")
        .instanceMethod<&NSMenuItemObject::setTarget>("setTarget:")
        .instanceMethod<&NSMenuItemObject::keyEquivalent>("keyEquivalent")
        .instanceMethod<&NSMenuItemObject::setKeyEquivalent>("setKeyEquivalent:")
        .instanceMethod<&NSMenuItemObject::keyEquivalentModifierMask>("keyEquivalentModifierMask")
        .instanceMethod<&NSMenuItemObject::setKeyEquivalentModifierMask>(
            "setKeyEquivalentModifierMask:")
        .instanceMethod<&NSMenuItemObject::tag>("tag")
        .instanceMethod<&NSMenuItemObject::setTag>("setTag:")
        .instanceMethod<&NSMenuItemObject::representedObject>("representedObject")
        .instanceMethod<&NSMenuItemObject::setRepresentedObject>("setRepresentedObject:")
        .instanceMethod<&NSMenuItemObject::submenu>("submenu")
        .instanceMethod<&NSMenuItemObject::setSubmenu>("setSubmenu:")
        .instanceMethod("hasSubmenu", &hasSubmenu)
        .instanceMethod<&NSMenuItemObject::image>("image")
        .instanceMethod<&NSMenuItemObject::setImage>("setImage:")
        .instanceMethod<&NSMenuItemObject::isSeparatorItem>("isSeparatorItem")
        .instanceMethod<&NSMenuItemObject::isEnabled>("isEnabled")
        .instanceMethod<&NSMenuItemObject::setEnabled>("setEnabled:")
        .instanceMethod<&NSMenuItemObject::menu>("menu")};

} // namespace
} // namespace sondrel::appkit
