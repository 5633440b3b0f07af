#include "runtime/controls/ImageGadget.h"

#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSImageView.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::NSRect;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

class RT_NSImageView : public windowing::GadgetView<appkit::NSImageViewObject> {
public:
    using GadgetView::GadgetView;
    std::int32_t DragEventSent = 0;
};

objc::NSInteger clickCount(id event) {
    return objc::send<objc::NSInteger>(event, "clickCount"_sel);
}

void mouseDown(RT_NSImageView* self, SEL, id) {
    self->DragEventSent = 0;
}

void mouseUp(RT_NSImageView* self, SEL, id event) {
    const objc::NSInteger clicks = clickCount(event);
    if (clicks == 1)
        RaiseViewEvent(self, self->RT_tag, GadgetActionEvent);
    else if (clicks == 2)
        RaiseViewEvent(self, self->RT_tag, GadgetLeftDoubleClickEvent);
}

void rightMouseDown(RT_NSImageView*, SEL, id) {}

void rightMouseUp(RT_NSImageView* self, SEL, id event) {
    const objc::NSInteger clicks = clickCount(event);
    if (clicks == 1)
        RaiseViewEvent(self, self->RT_tag, GadgetRightClickEvent);
    else if (clicks == 2)
        RaiseViewEvent(self, self->RT_tag, GadgetRightDoubleClickEvent);
}

void mouseDragged(RT_NSImageView* self, SEL, id) {
    if (self->DragEventSent != 0)
        return;
    self->DragEventSent = 1;
    RaiseViewEvent(self, self->RT_tag, GadgetDragStartEvent);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition =
        windowing::GadgetViewClass<RT_NSImageView>("RT_NSImageView", "NSImageView");
    definition.instanceMethod("mouseDown:", &mouseDown)
        .instanceMethod("mouseUp:", &mouseUp)
        .instanceMethod("rightMouseDown:", &rightMouseDown)
        .instanceMethod("rightMouseUp:", &rightMouseUp)
        .instanceMethod("mouseDragged:", &mouseDragged);
    return definition;
}

std::int64_t getGadgetState(RTGadgetFunctionsObject* self, SEL) {
    return reinterpret_cast<std::int64_t>(objc::send<id>(self->mainView(), "image"_sel));
}

void setGadgetState(RTGadgetFunctionsObject* self, SEL, std::int64_t state) {
    objc::send<void>(self->mainView(), "setImage:"_sel, reinterpret_cast<id>(state));
    objc::send<void>(self, "resizeToFit"_sel);
}

// The view keeps its place and takes the image's size (and the bezel's, when framed).
void resizeToFit(RTGadgetFunctionsObject* self, SEL) {
    const id view = self->mainView();
    const id image = objc::send<id>(view, "image"_sel);
    if (image == nullptr)
        return;
    const objc::NSSize size = objc::send<objc::NSSize>(image, "size"_sel);
    const double border = (self->flags() & ImageBorder) != 0 ? 4 : 0;
    NSRect frame = objc::send<NSRect>(view, "frame"_sel);
    frame.size = objc::NSSize{size.width + border, size.height + border};
    objc::send<void>(view, "setFrame:"_sel, frame);
    objc::send<void>(view, "setNeedsDisplay:"_sel, objc::YES);
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTImageGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("resizeToFit", &resizeToFit)};

} // namespace

std::int64_t CreateImageGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                               std::int32_t width, std::int32_t height, id image,
                               std::uint32_t flags) {
    GadgetCreation creation(gadget, ImageGadgetKind, flags, GadgetFrame(x, y, width, height),
                            "RT_NSImageView", "RTImageGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        objc::send<void>(view, "setEditable:"_sel, objc::NO);
        objc::send<void>(view, "setAnimates:"_sel, objc::NO);
        objc::send<void>(view, "setAllowsCutCopyPaste:"_sel, objc::NO);
        objc::send<void>(view, "setImageScaling:"_sel, objc::NSUInteger{2});
        objc::send<void>(view, "setImageAlignment:"_sel, objc::NSUInteger{0});
        objc::send<void>(view, "setImageFrameStyle:"_sel,
                         objc::NSUInteger{(flags & ImageBorder) ? 3u : 0u});
        if (image != nullptr)
            objc::send<void>(functions, "SetGadgetState:"_sel,
                             reinterpret_cast<std::int64_t>(image));
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
