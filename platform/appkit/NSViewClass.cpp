// The messages of NSResponder and NSView.

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

BOOL acceptsFirstResponder(NSResponderObject*, SEL) {
    return NO;
}
BOOL becomeFirstResponder(NSResponderObject*, SEL) {
    return YES;
}
BOOL resignFirstResponder(NSResponderObject*, SEL) {
    return YES;
}
void ignoreEvent(NSResponderObject*, SEL, id) {}

const objc::ClassRegistration responderRegistration{
    objc::ClassDefinition("NSResponder", "NSObject", objc::factoryFor<NSResponderObject>())
        .instanceMethod("acceptsFirstResponder", &acceptsFirstResponder)
        .instanceMethod("becomeFirstResponder", &becomeFirstResponder)
        .instanceMethod("resignFirstResponder", &resignFirstResponder)
        .instanceMethod("mouseDown:", &ignoreEvent)
        .instanceMethod("mouseUp:", &ignoreEvent)
        .instanceMethod("mouseDragged:", &ignoreEvent)
        .instanceMethod("rightMouseDown:", &ignoreEvent)
        .instanceMethod("rightMouseUp:", &ignoreEvent)
        .instanceMethod("keyDown:", &ignoreEvent)};

id initWithFrame(NSViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    return self;
}
NSRect frame(NSViewObject* self, SEL) {
    return self->frame();
}
void setFrame(NSViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
}
NSRect bounds(NSViewObject* self, SEL) {
    return self->bounds();
}
BOOL isFlipped(NSViewObject*, SEL) {
    return NO;
}
void addSubview(NSViewObject* self, SEL, NSViewObject* view) {
    self->addSubview(objc::liveCast<NSViewObject>(view));
}
void removeFromSuperview(NSViewObject* self, SEL) {
    self->removeFromSuperview();
}
id superview(NSViewObject* self, SEL) {
    return self->superview();
}
id subviews(NSViewObject* self, SEL) {
    std::vector<id> views;
    for (const auto& view : self->subviews())
        views.push_back(view.get());
    return objc::autorelease(newArray(views));
}
id window(NSViewObject* self, SEL) {
    return self->window();
}
void setHidden(NSViewObject* self, SEL, BOOL hidden) {
    self->setHidden(hidden != NO);
}
BOOL isHidden(NSViewObject* self, SEL) {
    return self->isHidden() ? YES : NO;
}
void setNeedsDisplay(NSViewObject* self, SEL, BOOL flag) {
    self->setNeedsDisplay(flag != NO);
}
void display(NSViewObject* self, SEL) {
    self->setNeedsDisplay(true);
}
void setToolTip(NSViewObject* self, SEL, id text) {
    self->setToolTip(objc::nativeStringText(text));
}
NSPoint convertPointFromView(NSViewObject* self, SEL, NSPoint point, NSViewObject* view) {
    return self->convertPointFromView(point, objc::liveCast<NSViewObject>(view));
}
NSPoint convertPointToView(NSViewObject* self, SEL, NSPoint point, NSViewObject* view) {
    return self->convertPointToView(point, objc::liveCast<NSViewObject>(view));
}
void registerForDraggedTypes(NSViewObject* self, SEL, id types) {
    self->registerForDraggedTypes(stringArrayTexts(types));
}
void unregisterDraggedTypes(NSViewObject* self, SEL) {
    self->unregisterDraggedTypes();
}
id registeredDraggedTypes(NSViewObject* self, SEL) {
    return autoreleasedStringArray(self->registeredDraggedTypes());
}
NSInteger tag(NSViewObject*, SEL) {
    return -1;
}
void drawRect(NSViewObject*, SEL, NSRect) {}
void draggingExited(NSViewObject*, SEL, id) {}
void concludeDragOperation(NSViewObject*, SEL, id) {}

const objc::ClassRegistration viewRegistration{
    objc::ClassDefinition("NSView", "NSResponder", objc::factoryFor<NSViewObject>())
        .instanceMethod("initWithFrame:", &initWithFrame)
        .instanceMethod("frame", &frame)
        .instanceMethod("setFrame:", &setFrame)
        .instanceMethod("bounds", &bounds)
        .instanceMethod("isFlipped", &isFlipped)
        .instanceMethod("addSubview:", &addSubview)
        .instanceMethod("removeFromSuperview", &removeFromSuperview)
        .instanceMethod("superview", &superview)
        .instanceMethod("subviews", &subviews)
        .instanceMethod("window", &window)
        .instanceMethod("setHidden:", &setHidden)
        .instanceMethod("isHidden", &isHidden)
        .instanceMethod("setNeedsDisplay:", &setNeedsDisplay)
        .instanceMethod("display", &display)
        .instanceMethod("setToolTip:", &setToolTip)
        .instanceMethod("convertPoint:fromView:", &convertPointFromView)
        .instanceMethod("convertPoint:toView:", &convertPointToView)
        .instanceMethod("registerForDraggedTypes:", &registerForDraggedTypes)
        .instanceMethod("unregisterDraggedTypes", &unregisterDraggedTypes)
        .instanceMethod("registeredDraggedTypes", &registeredDraggedTypes)
        .instanceMethod("tag", &tag)
        .instanceMethod("drawRect:", &drawRect)
        .instanceMethod("draggingExited:", &draggingExited)
        .instanceMethod("concludeDragOperation:", &concludeDragOperation)};

} // namespace
} // namespace sondrel::appkit
