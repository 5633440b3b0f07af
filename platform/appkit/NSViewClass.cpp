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
BOOL isFlipped(NSViewObject*, SEL) {
    return NO;
}
id subviews(NSViewObject* self, SEL) {
    std::vector<id> views;
    for (const auto& view : self->subviews())
        views.push_back(view.get());
    return objc::autorelease(newArray(views));
}
void display(NSViewObject* self, SEL) {
    self->setNeedsDisplay(true);
}
void registerForDraggedTypes(NSViewObject* self, SEL, id types) {
    self->registerForDraggedTypes(stringArrayTexts(types));
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
        .instanceMethod<&NSViewObject::frame>("frame")
        .instanceMethod<&NSViewObject::setFrame>("setFrame:")
        .instanceMethod<&NSViewObject::bounds>("bounds")
        .instanceMethod("isFlipped", &isFlipped)
        .instanceMethod<&NSViewObject::addSubview>("addSubview:")
        .instanceMethod<&NSViewObject::removeFromSuperview>("removeFromSuperview")
        .instanceMethod<&NSViewObject::superview>("superview")
        .instanceMethod("subviews", &subviews)
        .instanceMethod<&NSViewObject::window>("window")
        .instanceMethod<&NSViewObject::setHidden>("setHidden:")
        .instanceMethod<&NSViewObject::isHidden>("isHidden")
        .instanceMethod<&NSViewObject::setNeedsDisplay>("setNeedsDisplay:")
        .instanceMethod("display", &display)
        .instanceMethod<&NSViewObject::setToolTip>("setToolTip:")
        .instanceMethod<&NSViewObject::convertPointFromView>("convertPoint:fromView:")
        .instanceMethod<&NSViewObject::convertPointToView>("convertPoint:toView:")
        .instanceMethod("registerForDraggedTypes:", &registerForDraggedTypes)
        .instanceMethod<&NSViewObject::unregisterDraggedTypes>("unregisterDraggedTypes")
        .instanceMethod("registeredDraggedTypes", &registeredDraggedTypes)
        .instanceMethod("tag", &tag)
        .instanceMethod("drawRect:", &drawRect)
        .instanceMethod("draggingExited:", &draggingExited)
        .instanceMethod("concludeDragOperation:", &concludeDragOperation)};

} // namespace
} // namespace sondrel::appkit
