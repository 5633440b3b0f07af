// The messages of NSApplication.

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
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
id nextEvent(NSApplicationObject* self, SEL, NSUInteger /*mask*/, id until, id /*mode*/,
             BOOL dequeue) {
    return self->nextEvent(objc::liveCast<NSDateObject>(until), dequeue != NO);
}
id windows(NSApplicationObject*, SEL) {
    std::vector<id> open;
    for (NSWindowObject* window : NSWindowObject::allWindows()) {
        if (!window->isClosed())
            open.push_back(window);
    }
    return objc::autorelease(newArray(open));
}
void hideOtherApplications(NSApplicationObject*, SEL, id) {} // other programs are not ours
void activateIgnoringOtherApps(NSApplicationObject*, SEL, BOOL) {}

// The event queue may be read and posted to from any thread (nextEvent waits only on the main
// thread); what reaches windows, menus, the key window or the responder chain runs on the main
// thread.
const objc::ClassRegistration registration{
    objc::ClassDefinition("NSApplication", "NSResponder", objc::factoryFor<NSApplicationObject>())
        .classMethod("sharedApplication", &sharedApplication)
        .instanceMethod<&NSApplicationObject::delegate>("delegate")
        .instanceMethod<&NSApplicationObject::setDelegate>("setDelegate:")
        .instanceMethod<&NSApplicationObject::finishLaunching, OnMainThread>("finishLaunching")
        .instanceMethod("nextEventMatchingMask:untilDate:inMode:dequeue:", &nextEvent)
        .instanceMethod<&NSApplicationObject::sendEvent, OnMainThread>("sendEvent:")
        .instanceMethod<&NSApplicationObject::sendAction, OnMainThread>("sendAction:to:from:")
        .instanceMethod<&NSApplicationObject::targetForAction, OnMainThread>("targetForAction:")
        .instanceMethod<&NSApplicationObject::updateWindows, OnMainThread>("updateWindows")
        .instanceMethod<&NSApplicationObject::postEvent>("postEvent:atStart:")
        .instanceMethod<&NSApplicationObject::mainMenu, OnMainThread>("mainMenu")
        .instanceMethod<&NSApplicationObject::setMainMenu, OnMainThread>("setMainMenu:")
        .instanceMethod<&NSApplicationObject::keyWindow, OnMainThread>("keyWindow")
        .instanceMethod<&windows, OnMainThread>("windows")
        .instanceMethod<objc::ignoringSender<&NSApplicationObject::hideWindows>, OnMainThread>(
            "hide:")
        .instanceMethod<objc::ignoringSender<&NSApplicationObject::unhideWindows>, OnMainThread>(
            "unhideAllApplications:")
        .instanceMethod("hideOtherApplications:", &hideOtherApplications)
        .instanceMethod("activateIgnoringOtherApps:", &activateIgnoringOtherApps)};

} // namespace
} // namespace sondrel::appkit
