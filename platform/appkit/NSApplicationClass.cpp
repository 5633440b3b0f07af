// The messages of NSApplication.

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {
namespace {

id sharedApplication(Class, SEL) {
    return NSApplicationObject::shared();
}
id delegate(NSApplicationObject* self, SEL) {
    return self->delegate();
}
void setDelegate(NSApplicationObject* self, SEL, id delegate) {
    self->setDelegate(delegate);
}
void finishLaunching(NSApplicationObject* self, SEL) {
    self->finishLaunching();
}
id nextEvent(NSApplicationObject* self, SEL, NSUInteger /*mask*/, id until, id /*mode*/,
             BOOL dequeue) {
    return self->nextEvent(objc::liveCast<NSDateObject>(until), dequeue != NO);
}
void sendEvent(NSApplicationObject* self, SEL, id event) {
    self->sendEvent(objc::liveCast<NSEventObject>(event));
}
BOOL sendAction(NSApplicationObject* self, SEL, SEL action, id target, id sender) {
    return self->sendAction(action, target, sender) ? YES : NO;
}
id targetForAction(NSApplicationObject* self, SEL, SEL action) {
    return self->targetForAction(action);
}
void updateWindows(NSApplicationObject* self, SEL) {
    self->updateWindows();
}
void postEvent(NSApplicationObject* self, SEL, id event, BOOL atStart) {
    self->postEvent(objc::liveCast<NSEventObject>(event), atStart != NO);
}
id mainMenu(NSApplicationObject* self, SEL) {
    return self->mainMenu();
}
void setMainMenu(NSApplicationObject* self, SEL, id menu) {
    self->setMainMenu(objc::liveCast<NSMenuObject>(menu));
}
id keyWindow(NSApplicationObject* self, SEL) {
    return self->keyWindow();
}
id windows(NSApplicationObject*, SEL) {
    std::vector<id> open;
    for (NSWindowObject* window : NSWindowObject::allWindows()) {
        if (!window->isClosed())
            open.push_back(window);
    }
    return objc::autorelease(newArray(open));
}
void hide(NSApplicationObject* self, SEL, id) {
    self->hideWindows();
}
void unhideAllApplications(NSApplicationObject* self, SEL, id) {
    self->unhideWindows();
}
void hideOtherApplications(NSApplicationObject*, SEL, id) {} // other programs are not ours
void activateIgnoringOtherApps(NSApplicationObject*, SEL, BOOL) {}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSApplication", "NSResponder", objc::factoryFor<NSApplicationObject>())
        .classMethod("sharedApplication", &sharedApplication)
        .instanceMethod("delegate", &delegate)
        .instanceMethod("setDelegate:", &setDelegate)
        .instanceMethod("finishLaunching", &finishLaunching)
        .instanceMethod("nextEventMatchingMask:untilDate:inMode:dequeue:", &nextEvent)
        .instanceMethod("sendEvent:", &sendEvent)
        .instanceMethod("sendAction:to:from:", &sendAction)
        .instanceMethod("targetForAction:", &targetForAction)
        .instanceMethod("updateWindows", &updateWindows)
        .instanceMethod("postEvent:atStart:", &postEvent)
        .instanceMethod("mainMenu", &mainMenu)
        .instanceMethod("setMainMenu:", &setMainMenu)
        .instanceMethod("keyWindow", &keyWindow)
        .instanceMethod("windows", &windows)
        .instanceMethod("hide:", &hide)
        .instanceMethod("unhideAllApplications:", &unhideAllApplications)
        .instanceMethod("hideOtherApplications:", &hideOtherApplications)
        .instanceMethod("activateIgnoringOtherApps:", &activateIgnoringOtherApps)};

} // namespace
} // namespace sondrel::appkit
