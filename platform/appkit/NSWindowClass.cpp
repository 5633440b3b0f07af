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
NSRect frame(NSWindowObject* self, SEL) {
    return self->frame();
}
void setFrameDisplay(NSWindowObject* self, SEL, NSRect frame, BOOL display) {
    self->setFrame(frame, display != NO);
}
void center(NSWindowObject* self, SEL) {
    self->center();
}
void setTitle(NSWindowObject* self, SEL, id title) {
    self->setTitle(objc::nativeStringText(title));
}
id title(NSWindowObject* self, SEL) {
    return objc::autoreleasedNativeString(self->title());
}
void setReleasedWhenClosed(NSWindowObject* self, SEL, BOOL flag) {
    self->setReleasedWhenClosed(flag != NO);
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
void makeKeyWindow(NSWindowObject* self, SEL) {
    self->makeKeyWindow();
}
BOOL isKeyWindow(NSWindowObject* self, SEL) {
    return self->isKeyWindow() ? YES : NO;
}
BOOL isVisible(NSWindowObject* self, SEL) {
    return self->isVisible() ? YES : NO;
}
void miniaturize(NSWindowObject* self, SEL, id) {
    self->miniaturize();
}
void deminiaturize(NSWindowObject* self, SEL, id) {
    self->deminiaturize();
}
BOOL isMiniaturized(NSWindowObject* self, SEL) {
    return self->isMiniaturized() ? YES : NO;
}
void zoom(NSWindowObject* self, SEL, id) {
    self->zoom();
}
BOOL isZoomed(NSWindowObject* self, SEL) {
    return self->isZoomed() ? YES : NO;
}
NSUInteger styleMask(NSWindowObject* self, SEL) {
    return self->styleMask();
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
void setContentView(NSWindowObject* self, SEL, id view) {
    self->setContentView(objc::liveCast<NSViewObject>(view));
}
id contentView(NSWindowObject* self, SEL) {
    return self->contentView();
}
void setDelegate(NSWindowObject* self, SEL, id delegate) {
    self->setDelegate(delegate);
}
id delegate(NSWindowObject* self, SEL) {
    return self->delegate();
}
void setMenu(NSWindowObject* self, SEL, id menu) {
    self->setMenu(objc::liveCast<NSMenuObject>(menu));
}
id menu(NSWindowObject* self, SEL) {
    return self->menu();
}
id toolbar(NSWindowObject*, SEL) {
    return nullptr;
}
void close(NSWindowObject* self, SEL) {
    self->close();
}
void performClose(NSWindowObject* self, SEL, id) {
    self->performClose();
}
void addChildWindowOrdered(NSWindowObject* self, SEL, id child, NSInteger /*ordered*/) {
    self->addChildWindow(objc::liveCast<NSWindowObject>(child));
}
void removeChildWindow(NSWindowObject* self, SEL, id child) {
    self->removeChildWindow(objc::liveCast<NSWindowObject>(child));
}
id parentWindow(NSWindowObject* self, SEL) {
    return self->parentWindow();
}
void setLevel(NSWindowObject* self, SEL, NSInteger level) {
    self->setLevel(level);
}
NSInteger level(NSWindowObject* self, SEL) {
    return self->level();
}
void setAlphaValue(NSWindowObject* self, SEL, double alpha) {
    self->setAlphaValue(alpha);
}
double alphaValue(NSWindowObject* self, SEL) {
    return self->alphaValue();
}
NSInteger windowNumber(NSWindowObject* self, SEL) {
    return self->windowNumber();
}
NSSize contentMinSize(NSWindowObject* self, SEL) {
    return self->contentMinSize();
}
NSSize contentMaxSize(NSWindowObject* self, SEL) {
    return self->contentMaxSize();
}
NSPoint convertBaseToScreen(NSWindowObject* self, SEL, NSPoint point) {
    return self->convertBaseToScreen(point);
}
BOOL canBecomeKeyWindow(NSWindowObject* self, SEL) {
    return self->styleMask() != NSWindowStyleMaskBorderless ? YES : NO;
}
id standardWindowButton(NSWindowObject* self, SEL, NSUInteger button);

const objc::ClassRegistration windowRegistration{
    objc::ClassDefinition("NSWindow", "NSResponder", objc::factoryFor<NSWindowObject>())
        .instanceMethod("initWithContentRect:styleMask:backing:defer:", &initWithContentRect)
        .classMethod("frameRectForContentRect:styleMask:", &frameRectForContentRect)
        .instanceMethod("frame", &frame)
        .instanceMethod("setFrame:display:", &setFrameDisplay)
        .instanceMethod("center", &center)
        .instanceMethod("setTitle:", &setTitle)
        .instanceMethod("title", &title)
        .instanceMethod("setReleasedWhenClosed:", &setReleasedWhenClosed)
        .instanceMethod("setAutorecalculatesKeyViewLoop:", &setAutorecalculatesKeyViewLoop)
        .instanceMethod("orderFront:", &orderFront)
        .instanceMethod("orderOut:", &orderOut)
        .instanceMethod("makeKeyAndOrderFront:", &makeKeyAndOrderFront)
        .instanceMethod("makeKeyWindow", &makeKeyWindow)
        .instanceMethod("isKeyWindow", &isKeyWindow)
        .instanceMethod("isVisible", &isVisible)
        .instanceMethod("miniaturize:", &miniaturize)
        .instanceMethod("deminiaturize:", &deminiaturize)
        .instanceMethod("isMiniaturized", &isMiniaturized)
        .instanceMethod("zoom:", &zoom)
        .instanceMethod("isZoomed", &isZoomed)
        .instanceMethod("styleMask", &styleMask)
        .instanceMethod("firstResponder", &firstResponder)
        .instanceMethod("makeFirstResponder:", &makeFirstResponder)
        .instanceMethod("setContentView:", &setContentView)
        .instanceMethod("contentView", &contentView)
        .instanceMethod("setDelegate:", &setDelegate)
        .instanceMethod("delegate", &delegate)
        .instanceMethod("setMenu:", &setMenu)
        .instanceMethod("menu", &menu)
        .instanceMethod("toolbar", &toolbar)
        .instanceMethod("close", &close)
        .instanceMethod("performClose:", &performClose)
        .instanceMethod("addChildWindow:ordered:", &addChildWindowOrdered)
        .instanceMethod("removeChildWindow:", &removeChildWindow)
        .instanceMethod("parentWindow", &parentWindow)
        .instanceMethod("setLevel:", &setLevel)
        .instanceMethod("level", &level)
        .instanceMethod("setAlphaValue:", &setAlphaValue)
        .instanceMethod("alphaValue", &alphaValue)
        .instanceMethod("windowNumber", &windowNumber)
        .instanceMethod("contentMinSize", &contentMinSize)
        .instanceMethod("contentMaxSize", &contentMaxSize)
        .instanceMethod("convertBaseToScreen:", &convertBaseToScreen)
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
