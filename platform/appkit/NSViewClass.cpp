// The messages of NSResponder and NSView.

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
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

// Every message that reaches the widget, the view tree or the view's state runs on the main
// thread; the constant answers and the empty handlers run where they are sent.
const objc::ClassRegistration viewRegistration{
    objc::ClassDefinition("NSView", "NSResponder", objc::factoryFor<NSViewObject, OnMainThread>())
        .instanceMethod<&destroyInstance, OnMainThread>("dealloc")
        .instanceMethod<&initWithFrame, OnMainThread>("initWithFrame:")
        .instanceMethod<&NSViewObject::frame, OnMainThread>("frame")
        .instanceMethod<&NSViewObject::setFrame, OnMainThread>("setFrame:")
        .instanceMethod<&NSViewObject::bounds, OnMainThread>("bounds")
        .instanceMethod("isFlipped", &isFlipped)
        .instanceMethod<&NSViewObject::addSubview, OnMainThread>("addSubview:")
        .instanceMethod<&NSViewObject::removeFromSuperview, OnMainThread>("removeFromSuperview")
        .instanceMethod<&NSViewObject::superview, OnMainThread>("superview")
        .instanceMethod<&subviews, OnMainThread>("subviews")
        .instanceMethod<&NSViewObject::window, OnMainThread>("window")
        .instanceMethod<&NSViewObject::setHidden, OnMainThread>("setHidden:")
        .instanceMethod<&NSViewObject::isHidden, OnMainThread>("isHidden")
        .instanceMethod<&NSViewObject::setNeedsDisplay, OnMainThread>("setNeedsDisplay:")
        .instanceMethod<&display, OnMainThread>("display")
        .instanceMethod<&NSViewObject::setToolTip, OnMainThread>("setToolTip:")
        .instanceMethod<&NSViewObject::convertPointFromView, OnMainThread>("convertPoint:fromView:")
        .instanceMethod<&NSViewObject::convertPointToView, OnMainThread>("convertPoint:toView:")
        .instanceMethod<&registerForDraggedTypes, OnMainThread>("registerForDraggedTypes:")
        .instanceMethod<&NSViewObject::unregisterDraggedTypes, OnMainThread>(
            "unregisterDraggedTypes")
        .instanceMethod<&registeredDraggedTypes, OnMainThread>("registeredDraggedTypes")
        .instanceMethod("tag", &tag)
        .instanceMethod("drawRect:", &drawRect)
        .instanceMethod("draggingExited:", &draggingExited)
        .instanceMethod("concludeDragOperation:", &concludeDragOperation)};

} // namespace
} // namespace sondrel::appkit
