// The messages of NSWindow and NSScreen, and the title-bar buttons standardWindowButton: gives.

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

id initWithContentRect(NSWindowObject* self, SEL, NSRect content, NSUInteger style,
                       NSUInteger /*backing*/, BOOL /*defer*/) {
    if (self->initWithContentRect(content, style))
        return self;
    objc::release(self);
    return nullptr;
}
void setAutorecalculatesKeyViewLoop(NSWindowObject*, SEL, BOOL) {} // Qt keeps the tab order
id firstResponder(NSWindowObject* self, SEL) {
    NSViewObject* view = self->firstResponder();
    return view != nullptr ? static_cast<id>(view) : self;
}
// The window itself, or nil, as the responder takes the focus from every view.
BOOL makeFirstResponder(NSWindowObject* self, SEL, id responder) {
    if (responder == nullptr || responder == self)
        return self->makeFirstResponder(nullptr) ? YES : NO;
    auto* view = objc::liveCast<NSViewObject>(responder);
    return view != nullptr && self->makeFirstResponder(view) ? YES : NO;
}
id toolbar(NSWindowObject*, SEL) {
    return nullptr;
}
BOOL canBecomeKeyWindow(NSWindowObject* self, SEL) {
    return self->styleMask() != NSWindowStyleMaskBorderless ? YES : NO;
}
id standardWindowButton(NSWindowObject* self, SEL, NSUInteger button);

// Only the frame arithmetic, the style mask, the number and the constant answers run where they
// are sent; everything else reaches the window's widget, the window list or the key window.
const objc::ClassRegistration windowRegistration{
    objc::ClassDefinition("NSWindow", "NSResponder",
                          objc::factoryFor<NSWindowObject, OnMainThread>())
        .instanceMethod<&destroyInstance, OnMainThread>("dealloc")
        .instanceMethod<&initWithContentRect, OnMainThread>(
            "initWithContentRect:styleMask:backing:defer:")
        .classMethod<&NSWindowObject::frameRectForContentRect>("frameRectForContentRect:styleMask:")
        .instanceMethod<&NSWindowObject::frame, OnMainThread>("frame")
        .instanceMethod<&NSWindowObject::setFrame, OnMainThread>("setFrame:display:")
        .instanceMethod<&NSWindowObject::center, OnMainThread>("center")
        .instanceMethod<&NSWindowObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSWindowObject::title, OnMainThread>("title")
        .instanceMethod<&NSWindowObject::setReleasedWhenClosed, OnMainThread>(
            "setReleasedWhenClosed:")
        .instanceMethod("setAutorecalculatesKeyViewLoop:", &setAutorecalculatesKeyViewLoop)
        .instanceMethod<objc::ignoringSender<&NSWindowObject::orderFront>, OnMainThread>(
            "orderFront:")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::orderOut>, OnMainThread>("orderOut:")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::makeKeyAndOrderFront>, OnMainThread>(
            "makeKeyAndOrderFront:")
        .instanceMethod<&NSWindowObject::makeKeyWindow, OnMainThread>("makeKeyWindow")
        .instanceMethod<&NSWindowObject::isKeyWindow, OnMainThread>("isKeyWindow")
        .instanceMethod<&NSWindowObject::isVisible, OnMainThread>("isVisible")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::miniaturize>, OnMainThread>(
            "miniaturize:")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::deminiaturize>, OnMainThread>(
            "deminiaturize:")
        .instanceMethod<&NSWindowObject::isMiniaturized, OnMainThread>("isMiniaturized")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::zoom>, OnMainThread>("zoom:")
        .instanceMethod<&NSWindowObject::isZoomed, OnMainThread>("isZoomed")
        .instanceMethod<&NSWindowObject::styleMask>("styleMask")
        .instanceMethod<&firstResponder, OnMainThread>("firstResponder")
        .instanceMethod<&makeFirstResponder, OnMainThread>("makeFirstResponder:")
        .instanceMethod<&NSWindowObject::setContentView, OnMainThread>("setContentView:")
        .instanceMethod<&NSWindowObject::contentView, OnMainThread>("contentView")
        .instanceMethod<&NSWindowObject::setDelegate, OnMainThread>("setDelegate:")
        .instanceMethod<&NSWindowObject::delegate, OnMainThread>("delegate")
        .instanceMethod<&NSWindowObject::setMenu, OnMainThread>("setMenu:")
        .instanceMethod<&NSWindowObject::menu, OnMainThread>("menu")
        .instanceMethod("toolbar", &toolbar)
        .instanceMethod<&NSWindowObject::close, OnMainThread>("close")
        .instanceMethod<objc::ignoringSender<&NSWindowObject::performClose>, OnMainThread>(
            "performClose:")
        .instanceMethod<objc::ignoringLast<&NSWindowObject::addChildWindow, NSInteger>,
                        OnMainThread>("addChildWindow:ordered:")
        .instanceMethod<&NSWindowObject::removeChildWindow, OnMainThread>("removeChildWindow:")
        .instanceMethod<&NSWindowObject::parentWindow, OnMainThread>("parentWindow")
        .instanceMethod<&NSWindowObject::setLevel, OnMainThread>("setLevel:")
        .instanceMethod<&NSWindowObject::level, OnMainThread>("level")
        .instanceMethod<&NSWindowObject::setAlphaValue, OnMainThread>("setAlphaValue:")
        .instanceMethod<&NSWindowObject::alphaValue, OnMainThread>("alphaValue")
        .instanceMethod<&NSWindowObject::windowNumber>("windowNumber")
        .instanceMethod<&NSWindowObject::contentMinSize, OnMainThread>("contentMinSize")
        .instanceMethod<&NSWindowObject::contentMaxSize, OnMainThread>("contentMaxSize")
        .instanceMethod<&NSWindowObject::convertBaseToScreen, OnMainThread>("convertBaseToScreen:")
        .instanceMethod("canBecomeKeyWindow", &canBecomeKeyWindow)
        .instanceMethod("canBecomeMainWindow", &canBecomeKeyWindow)
        .instanceMethod<&standardWindowButton, OnMainThread>("standardWindowButton:")};

// A title-bar button: a view that stands for one of the window's buttons; hiding it takes the
// button out of the window's title bar.
class WindowButtonObject : public NSViewObject {
public:
    using NSViewObject::NSViewObject;
    NSWindowObject* window = nullptr; // borrowed; the window owns its buttons
    NSWindowButton button = NSWindowCloseButton;
};

void buttonSetHidden(WindowButtonObject* self, SEL, BOOL hidden) {
    if (self->window != nullptr)
        self->window->setStandardButtonHidden(self->button, hidden != NO);
}
BOOL buttonIsHidden(WindowButtonObject* self, SEL) {
    return self->window != nullptr && self->window->isStandardButtonHidden(self->button) ? YES : NO;
}

const objc::ClassRegistration windowButtonRegistration{
    objc::ClassDefinition("NSWindowTitleButton", "NSView",
                          objc::factoryFor<WindowButtonObject, OnMainThread>())
        .instanceMethod<&buttonSetHidden, OnMainThread>("setHidden:")
        .instanceMethod<&buttonIsHidden, OnMainThread>("isHidden")};

id standardWindowButton(NSWindowObject* self, SEL, NSUInteger which) {
    if (which > NSWindowZoomButton)
        return nullptr;
    auto* button =
        static_cast<WindowButtonObject*>(objc::createInstance("NSWindowTitleButton"_class));
    if (button == nullptr)
        return nullptr;
    button->window = self;
    button->button = static_cast<NSWindowButton>(which);
    return objc::autorelease(button);
}

// NSScreen: one object for the primary screen.
id mainScreen(Class cls, SEL) {
    static id screen = objc::createInstance(cls); // lives as long as the process
    return screen;
}
NSRect screenFrame(objc::Object*, SEL) {
    return mainScreenFrame();
}
NSRect screenVisibleFrame(objc::Object*, SEL) {
    return mainScreenVisibleFrame();
}

const objc::ClassRegistration screenRegistration{
    objc::ClassDefinition("NSScreen", "NSObject")
        .instanceMethod("frame", &screenFrame)
        .instanceMethod("visibleFrame", &screenVisibleFrame)
        .classMethod("mainScreen", &mainScreen)};

} // namespace
} // namespace sondrel::appkit
