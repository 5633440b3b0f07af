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
        .instanceMethod<&NSApplicationObject::delegate>("delegate")
        .instanceMethod<&NSApplicationObject::setDelegate>("setDelegate:")
        .instanceMethod<&NSApplicationObject::finishLaunching>("finishLaunching")
        .instanceMethod("nextEventMatchingMask:untilDate:inMode:dequeue:", &nextEvent)
        .instanceMethod<&NSApplicationObject::sendEvent>("sendEvent:")
        .instanceMethod<&NSApplicationObject::sendAction>("sendAction:to:from:")
        .instanceMethod<&NSApplicationObject::targetForAction>("targetForAction:")
        .instanceMethod<&NSApplicationObject::updateWindows>("updateWindows")
        .instanceMethod<&NSApplicationObject::postEvent>("postEvent:atStart:")
        .instanceMethod<&NSApplicationObject::mainMenu>("mainMenu")
        .instanceMethod<&NSApplicationObject::setMainMenu>("setMainMenu:")
        .instanceMethod<&NSApplicationObject::keyWindow>("keyWindow")
        .instanceMethod("windows", &windows)
        .instanceMethod("hide:", &hide)
        .instanceMethod("unhideAllApplications:", &unhideAllApplications)
        .instanceMethod("hideOtherApplications:", &hideOtherApplications)
        .instanceMethod("activateIgnoringOtherApps:", &activateIgnoringOtherApps)};

} // namespace
} // namespace sondrel::appkit
