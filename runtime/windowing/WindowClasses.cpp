#include "runtime/windowing/WindowClasses.h"

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/GadgetList.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/WindowRecord.h"

namespace sondrel::windowing {

using appkit::NSWindowObject;
using objc::BOOL;
using objc::id;
using objc::NSRect;
using objc::SEL;

void RTWindowEventsObject::connect(NSWindowObject* window, std::int64_t windowID) {
    WindowInstance = window;
    WindowID = windowID;
    ZoomEvent = 0;
    window->setDelegate(this);
}

namespace {

void Post(const RTWindowEventsObject* self, std::int32_t kind) {
    QueueEvent(kind, self->WindowID, self->WindowID, 0);
}

BOOL windowShouldZoom(RTWindowEventsObject* self, SEL, id window, NSRect proposed) {
    const auto* native = objc::liveCast<NSWindowObject>(window);
    const NSRect current = native != nullptr ? native->frame() : NSRect{};
    const bool larger =
        proposed.size.width > current.size.width || proposed.size.height > current.size.height;
    self->ZoomEvent = larger ? MaximizeWindowEvent : RestoreWindowEvent;
    return objc::YES;
}

void windowDidDeminiaturize(RTWindowEventsObject* self, SEL, id) {
    NSWindowObject* window = self->WindowInstance;
    const bool maximized = window != nullptr &&
                           (window->styleMask() & appkit::NSWindowStyleMaskResizable) != 0 &&
                           window->isZoomed();
    Post(self, maximized ? MaximizeWindowEvent : RestoreWindowEvent);
}

void windowDidMiniaturize(RTWindowEventsObject* self, SEL, id) {
    Post(self, MinimizeWindowEvent);
}

// Windows of this platform have no toolbar whose items an update would validate (toolbar answers
// nil): an update asks nothing more of the window.
void windowDidUpdate(RTWindowEventsObject*, SEL, id) {}

void windowDidResignKey(RTWindowEventsObject* self, SEL, id) {
    Post(self, DeactivateWindowEvent);
}

void windowDidBecomeKey(RTWindowEventsObject* self, SEL, id) {
    InstallWindowMenuBar(self->WindowInstance, self->WindowID);
    Post(self, ActivateWindowEvent);
}

void windowDidMove(RTWindowEventsObject* self, SEL, id) {
    Post(self, MoveWindowEvent);
}

void windowDidResize(RTWindowEventsObject* self, SEL, id) {
    if (self->ZoomEvent != 0)
        Post(self, self->ZoomEvent);
    Post(self, SizeWindowEvent);
    if (self->WindowInstance != nullptr && self->WindowInstance->contentView() != nullptr)
        self->WindowInstance->contentView()->setNeedsDisplay(true);
    self->ZoomEvent = 0;
}

void windowWillClose(RTWindowEventsObject* self, SEL, id) {
    NSWindowObject* window = self->WindowInstance;
    const std::int64_t number = self->WindowID;
    if (WindowRecord* record = core::FindObject(WindowRegistry(), number)) {
        record->shortcuts.clear();
        record->delegate = nullptr;
    }
    RemoveGadgetListWindow(window);
    if (window != nullptr)
        window->setDelegate(nullptr);
    DiscardWindowEvents(number);
    core::ReleaseObject(WindowRegistry(), number);
    objc::release(self); // the delegate was the window record's; nothing touches self after
}

BOOL windowShouldClose(RTWindowEventsObject* self, SEL, id) {
    Post(self, CloseWindowEvent);
    return objc::NO;
}

std::int64_t windowID(RTWindowEventsObject* self, SEL) {
    return self->WindowID;
}

void connectWithID(RTWindowEventsObject* self, SEL, id window, std::int64_t number) {
    if (auto* native = objc::liveCast<NSWindowObject>(window))
        self->connect(native, number);
}

const objc::ClassRegistration eventsRegistration{
    objc::ClassDefinition("RTWindowEvents", "NSObject", objc::factoryFor<RTWindowEventsObject>())
        .instanceMethod("windowShouldZoom:toFrame:", &windowShouldZoom)
        .instanceMethod("windowDidDeminiaturize:", &windowDidDeminiaturize)
        .instanceMethod("windowDidMiniaturize:", &windowDidMiniaturize)
        .instanceMethod("windowDidUpdate:", &windowDidUpdate)
        .instanceMethod("windowDidResignKey:", &windowDidResignKey)
        .instanceMethod("windowDidBecomeKey:", &windowDidBecomeKey)
        .instanceMethod("windowDidMove:", &windowDidMove)
        .instanceMethod("windowDidResize:", &windowDidResize)
        .instanceMethod("windowWillClose:", &windowWillClose)
        .instanceMethod("windowShouldClose:", &windowShouldClose)
        .instanceMethod("windowID", &windowID)
        .instanceMethod("connect:withID:", &connectWithID)};

// RTWindow: borderless windows can become key and main too.
BOOL canBecome(NSWindowObject*, SEL) {
    return objc::YES;
}

const objc::ClassRegistration windowRegistration{
    objc::ClassDefinition("RTWindow", "NSWindow")
        .instanceMethod("canBecomeMainWindow", &canBecome)
        .instanceMethod("canBecomeKeyWindow", &canBecome)};

// RTFlippedWindowView: the content view of every runtime window.
BOOL performDragOperation(RTFlippedWindowViewObject* self, SEL, id sender) {
    return objc::send<BOOL>("RTDragDrop"_class,
                            "performDragOperation:sender:gadgetId:windowId:"_sel,
                            static_cast<id>(self), sender, std::int64_t{-1}, self->WindowID);
}
BOOL prepareForDragOperation(RTFlippedWindowViewObject* self, SEL, id sender) {
    return objc::send<BOOL>("RTDragDrop"_class, "prepareForDragOperation:sender:"_sel,
                            static_cast<id>(self), sender);
}
std::uint64_t draggingUpdated(RTFlippedWindowViewObject* self, SEL, id sender) {
    return objc::send<std::uint64_t>("RTDragDrop"_class, "draggingUpdated:sender:"_sel,
                                     static_cast<id>(self), sender);
}
std::uint64_t draggingEntered(RTFlippedWindowViewObject* self, SEL, id sender) {
    return objc::send<std::uint64_t>("RTDragDrop"_class, "draggingEntered:sender:"_sel,
                                     static_cast<id>(self), sender);
}
void rightMouseUp(RTFlippedWindowViewObject* self, SEL, id event) {
    const auto* mouse = objc::liveCast<appkit::NSEventObject>(event);
    if (mouse != nullptr && mouse->clickCount == 1)
        QueueEvent(RightClickEvent, self->WindowID, self->WindowID, 0);
}
void mouseUp(RTFlippedWindowViewObject* self, SEL, id event) {
    const auto* mouse = objc::liveCast<appkit::NSEventObject>(event);
    if (mouse == nullptr)
        return;
    if (mouse->clickCount == 1)
        QueueEvent(LeftClickEvent, self->WindowID, self->WindowID, 0);
    else if (mouse->clickCount == 2)
        QueueEvent(LeftDoubleClickEvent, self->WindowID, self->WindowID, 0);
}
void drawRect(RTFlippedWindowViewObject* self, SEL, NSRect rect) {
    objc::sendSuper<void>("RT_NSFlippedView"_class, self, "drawRect:"_sel, rect);
    QueueEvent(RepaintWindowEvent, self->WindowID, self->WindowID, 0);
}

const objc::ClassRegistration viewRegistration{
    objc::ClassDefinition("RTFlippedWindowView", "RT_NSFlippedView",
                          objc::factoryFor<RTFlippedWindowViewObject>())
        .instanceMethod("performDragOperation:", &performDragOperation)
        .instanceMethod("prepareForDragOperation:", &prepareForDragOperation)
        .instanceMethod("draggingUpdated:", &draggingUpdated)
        .instanceMethod("draggingEntered:", &draggingEntered)
        .instanceMethod("rightMouseUp:", &rightMouseUp)
        .instanceMethod("mouseUp:", &mouseUp)
        .instanceMethod("drawRect:", &drawRect)};

} // namespace
} // namespace sondrel::windowing
