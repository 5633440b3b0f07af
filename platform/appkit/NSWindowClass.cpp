// The messages of NSWindow and NSScreen, and the title-bar buttons standardWindowButton: gives.

#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
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
NSRect frameRectForContentRect(Class, SEL, NSRect content, NSUInteger style) {
    return NSWindowObject::frameRectForContentRect(content, style);
}
void setAutorecalculatesKeyViewLoop(NSWindowObject*, SEL, BOOL) {} // Qt keeps the tab order
void orderFront(NSWindowObject* self, SEL, id) {
    self->orderFront();
}
void orderOut(NSWindowObject* self, SEL, id) {
    self->orderOut();
}
void makeKeyAndOrderFront(NSWindowObject* self, SEL, id) {
    self->makeKeyAndOrderFront();
}
void miniaturize(NSWindowObject* self, SEL, id) {
    self->miniaturize();
}
void deminiaturize(NSWindowObject* self, SEL, id) {
    self->deminiaturize();
}
void zoom(NSWindowObject* self, SEL, id) {
    self->zoom();
}
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
void performClose(NSWindowObject* self, SEL, id) {
    self->performClose();
}
void addChildWindowOrdered(NSWindowObject* self, SEL, id child, NSInteger /*ordered*/) {
    self->addChildWindow(objc::liveCast<NSWindowObject>(child));
}
BOOL canBecomeKeyWindow(NSWindowObject* self, SEL) {
    return self->styleMask() != NSWindowStyleMaskBorderless ? YES : NO;
}
id standardWindowButton(NSWindowObject* self, SEL, NSUInteger button);

const objc::ClassRegistration windowRegistration{
    objc::ClassDefinition("NSWindow", "NSResponder", objc::factoryFor<NSWindowObject>())
        .instanceMethod("initWithContentRect:styleMask:backing:defer:", &initWithContentRect)
        .classMethod("frameRectForContentRect:styleMask:", &frameRectForContentRect)
        .instanceMethod<&NSWindowObject::frame>("frame")
        .instanceMethod<&NSWindowObject::setFrame>("setFrame:display:")
        .instanceMethod<&NSWindowObject::center>("center")
        .instanceMethod<&NSWindowObject::setTitle>("setTitle:")
        .instanceMethod<&NSWindowObject::title>("title")
        .instanceMethod<&NSWindowObject::setReleasedWhenClosed>("setReleasedWhenClosed:")
        .instanceMethod("setAutorecalculatesKeyViewLoop:", &setAutorecalculatesKeyViewLoop)
        .instanceMethod("orderFront:", &orderFront)
        .instanceMethod("orderOut:", &orderOut)
        .instanceMethod("makeKeyAndOrderFront:", &makeKeyAndOrderFront)
        .instanceMethod<&NSWindowObject::makeKeyWindow>("makeKeyWindow")
        .instanceMethod<&NSWindowObject::isKeyWindow>("isKeyWindow")
        .instanceMethod<&NSWindowObject::isVisible>("isVisible")
        .instanceMethod("miniaturize:", &miniaturize)
        .instanceMethod("deminiaturize:", &deminiaturize)
        .instanceMethod<&NSWindowObject::isMiniaturized>("isMiniaturized")
        .instanceMethod("zoom:", &zoom)
        .instanceMethod<&NSWindowObject::isZoomed>("isZoomed")
        .instanceMethod<&NSWindowObject::styleMask>("styleMask")
        .instanceMethod("firstResponder", &firstResponder)
        .instanceMethod("makeFirstResponder:", &makeFirstResponder)
        .instanceMethod<&NSWindowObject::setContentView>("setContentView:")
        .instanceMethod<&NSWindowObject::contentView>("contentView")
        .instanceMethod<&NSWindowObject::setDelegate>("setDelegate:")
        .instanceMethod<&NSWindowObject::delegate>("delegate")
        .instanceMethod<&NSWindowObject::setMenu>("setMenu:")
        .instanceMethod<&NSWindowObject::menu>("menu")
        .instanceMethod("toolbar", &toolbar)
        .instanceMethod<&NSWindowObject::close>("close")
        .instanceMethod("performClose:", &performClose)
        .instanceMethod("addChildWindow:ordered:", &addChildWindowOrdered)
        .instanceMethod<&NSWindowObject::removeChildWindow>("removeChildWindow:")
        .instanceMethod<&NSWindowObject::parentWindow>("parentWindow")
        .instanceMethod<&NSWindowObject::setLevel>("setLevel:")
        .instanceMethod<&NSWindowObject::level>("level")
        .instanceMethod<&NSWindowObject::setAlphaValue>("setAlphaValue:")
        .instanceMethod<&NSWindowObject::alphaValue>("alphaValue")
        .instanceMethod<&NSWindowObject::windowNumber>("windowNumber")
        .instanceMethod<&NSWindowObject::contentMinSize>("contentMinSize")
        .instanceMethod<&NSWindowObject::contentMaxSize>("contentMaxSize")
        .instanceMethod<&NSWindowObject::convertBaseToScreen>("convertBaseToScreen:")
        .instanceMethod("canBecomeKeyWindow", &canBecomeKeyWindow)
        .instanceMethod("canBecomeMainWindow", &canBecomeKeyWindow)
        .instanceMethod("standardWindowButton:", &standardWindowButton)};

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
    objc::ClassDefinition("NSWindowTitleButton", "NSView", objc::factoryFor<WindowButtonObject>())
        .instanceMethod("setHidden:", &buttonSetHidden)
        .instanceMethod("isHidden", &buttonIsHidden)};

id standardWindowButton(NSWindowObject* self, SEL, NSUInteger which) {
    if (which > NSWindowZoomButton)
        return nullptr;
    auto* button = static_cast<WindowButtonObject*>(
        objc::createInstance(objc::lookUpClass("NSWindowTitleButton")));
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
