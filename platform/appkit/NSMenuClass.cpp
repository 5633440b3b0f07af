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
id menuTitle(NSMenuObject* self, SEL) {
    return objc::autoreleasedNativeString(self->title());
}
void menuSetTitle(NSMenuObject* self, SEL, id title) {
    self->setTitle(objc::nativeStringText(title));
}
void addItem(NSMenuObject* self, SEL, id item) {
    self->addItem(objc::liveCast<NSMenuItemObject>(item));
}
void insertItemAtIndex(NSMenuObject* self, SEL, id item, NSInteger index) {
    self->insertItem(objc::liveCast<NSMenuItemObject>(item), index);
}
void removeItem(NSMenuObject* self, SEL, id item) {
    self->removeItem(objc::liveCast<NSMenuItemObject>(item));
}
void removeAllItems(NSMenuObject* self, SEL) {
    self->removeAllItems();
}
NSInteger numberOfItems(NSMenuObject* self, SEL) {
    return self->numberOfItems();
}
id itemAtIndex(NSMenuObject* self, SEL, NSInteger index) {
    return self->itemAtIndex(index);
}
NSInteger indexOfItem(NSMenuObject* self, SEL, id item) {
    return self->indexOfItem(objc::liveCast<NSMenuItemObject>(item));
}
void setAutoenablesItems(NSMenuObject* self, SEL, BOOL flag) {
    self->setAutoenablesItems(flag != NO);
}
BOOL autoenablesItems(NSMenuObject* self, SEL) {
    return self->autoenablesItems() ? YES : NO;
}
void update(NSMenuObject* self, SEL) {
    self->update();
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
        .instanceMethod("title", &menuTitle)
        .instanceMethod("setTitle:", &menuSetTitle)
        .instanceMethod("addItem:", &addItem)
        .instanceMethod("insertItem:atIndex:", &insertItemAtIndex)
        .instanceMethod("removeItem:", &removeItem)
        .instanceMethod("removeAllItems", &removeAllItems)
        .instanceMethod("numberOfItems", &numberOfItems)
        .instanceMethod("itemAtIndex:", &itemAtIndex)
        .instanceMethod("indexOfItem:", &indexOfItem)
        .instanceMethod("setAutoenablesItems:", &setAutoenablesItems)
        .instanceMethod("autoenablesItems", &autoenablesItems)
        .instanceMethod("update", &update)
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
id itemTitle(NSMenuItemObject* self, SEL) {
    return objc::autoreleasedNativeString(self->title());
}
void itemSetTitle(NSMenuItemObject* self, SEL, id title) {
    self->setTitle(objc::nativeStringText(title));
}
SEL action(NSMenuItemObject* self, SEL) {
    return self->action();
}
void setAction(NSMenuItemObject* self, SEL, SEL action) {
    self->setAction(action);
}
id target(NSMenuItemObject* self, SEL) {
    return self->target();
}
void setTarget(NSMenuItemObject* self, SEL, id target) {
    self->setTarget(target);
}
id keyEquivalent(NSMenuItemObject* self, SEL) {
    return objc::autoreleasedNativeString(self->keyEquivalent());
}
void setKeyEquivalent(NSMenuItemObject* self, SEL, id key) {
    self->setKeyEquivalent(objc::nativeStringText(key));
}
NSUInteger modifierMask(NSMenuItemObject* self, SEL) {
    return self->keyEquivalentModifierMask();
}
void setModifierMask(NSMenuItemObject* self, SEL, NSUInteger mask) {
    self->setKeyEquivalentModifierMask(mask);
}
NSInteger tag(NSMenuItemObject* self, SEL) {
    return self->tag();
}
void setTag(NSMenuItemObject* self, SEL, NSInteger tag) {
    self->setTag(tag);
}
id representedObject(NSMenuItemObject* self, SEL) {
    return self->representedObject();
}
void setRepresentedObject(NSMenuItemObject* self, SEL, id object) {
    self->setRepresentedObject(object);
}
id submenu(NSMenuItemObject* self, SEL) {
    return self->submenu();
}
void setSubmenu(NSMenuItemObject* self, SEL, id menu) {
    self->setSubmenu(objc::liveCast<NSMenuObject>(menu));
}
BOOL hasSubmenu(NSMenuItemObject* self, SEL) {
    return self->submenu() != nullptr ? YES : NO;
}
id image(NSMenuItemObject* self, SEL) {
    return self->image();
}
void setImage(NSMenuItemObject* self, SEL, id image) {
    self->setImage(image);
}
BOOL isSeparatorItem(NSMenuItemObject* self, SEL) {
    return self->isSeparatorItem() ? YES : NO;
}
BOOL isEnabled(NSMenuItemObject* self, SEL) {
    return self->isEnabled() ? YES : NO;
}
void setEnabled(NSMenuItemObject* self, SEL, BOOL flag) {
    self->setEnabled(flag != NO);
}
id itemMenu(NSMenuItemObject* self, SEL) {
    return self->menu();
}

const objc::ClassRegistration menuItemRegistration{
    objc::ClassDefinition("NSMenuItem", "NSObject", objc::factoryFor<NSMenuItemObject>())
        .instanceMethod("initWithTitle:action:keyEquivalent:", &itemInit)
        .classMethod("separatorItem", &separatorItem)
        .instanceMethod("title", &itemTitle)
        .instanceMethod("setTitle:", &itemSetTitle)
        .instanceMethod("action", &action)
        .instanceMethod("setAction:", &setAction)
        .instanceMethod("target", &target)
        .instanceMethod("setTarget:", &setTarget)
        .instanceMethod("keyEquivalent", &keyEquivalent)
        .instanceMethod("setKeyEquivalent:", &setKeyEquivalent)
        .instanceMethod("keyEquivalentModifierMask", &modifierMask)
        .instanceMethod("setKeyEquivalentModifierMask:", &setModifierMask)
        .instanceMethod("tag", &tag)
        .instanceMethod("setTag:", &setTag)
        .instanceMethod("representedObject", &representedObject)
        .instanceMethod("setRepresentedObject:", &setRepresentedObject)
        .instanceMethod("submenu", &submenu)
        .instanceMethod("setSubmenu:", &setSubmenu)
        .instanceMethod("hasSubmenu", &hasSubmenu)
        .instanceMethod("image", &image)
        .instanceMethod("setImage:", &setImage)
        .instanceMethod("isSeparatorItem", &isSeparatorItem)
        .instanceMethod("isEnabled", &isEnabled)
        .instanceMethod("setEnabled:", &setEnabled)
        .instanceMethod("menu", &itemMenu)};

} // namespace
} // namespace sondrel::appkit
