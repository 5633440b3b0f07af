#include "runtime/controls/WindowViewCommands.h"

#include <vector>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/ViewAppearance.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::controls {
namespace {

using appkit::NSViewObject;
using appkit::NSWindowObject;
using appkit::Retained;
using objc::id;

NSWindowObject* windowOf(const void* object) {
    return objc::liveCast<NSWindowObject>(object);
}
NSViewObject* viewOf(const void* object) {
    return objc::liveCast<NSViewObject>(object);
}

id patternColor(const void* image) {
    return objc::send<id>("NSColor"_class, "colorWithPatternImage:"_sel,
                          const_cast<id>(static_cast<const objc::Object*>(image)));
}

} // namespace

void EnableFullScreen(const void* window) {
    appkit::performOnMainThread([&] {
        if (NSWindowObject* native = windowOf(window))
            appkit::setWindowCollectionBehavior(
                native, appkit::windowCollectionBehavior(native) |
                            appkit::NSWindowCollectionBehaviorFullScreenPrimary);
    });
}

void SetWindowPattern(const void* window, const void* image) {
    NSWindowObject* native = windowOf(window);
    if (native == nullptr)
        return;
    objc::AutoreleasePool pool;
    const id color = patternColor(image);
    appkit::performOnMainThread([&] { appkit::setWindowBackgroundColor(native, color); });
}

void SetWindowOpacity(const void* window, float alpha) {
    objc::send<void>(windowOf(window), "setAlphaValue:"_sel, static_cast<double>(alpha));
}

void BringViewToFront(const void* view) {
    NSViewObject* native = viewOf(view);
    appkit::performOnMainThread([&] {
        NSViewObject* superview = native != nullptr ? native->superview() : nullptr;
        if (superview == nullptr)
            return;
        const Retained<NSViewObject> keep = Retained<NSViewObject>::retain(native);
        native->removeFromSuperview();
        superview->addSubview(native);
    });
}

// The others move behind it, in their order: the view is then the first subview.
void SendViewToBack(const void* view) {
    NSViewObject* native = viewOf(view);
    appkit::performOnMainThread([&] {
        NSViewObject* superview = native != nullptr ? native->superview() : nullptr;
        if (superview == nullptr)
            return;
        std::vector<Retained<NSViewObject>> others;
        for (const Retained<NSViewObject>& sibling : superview->subviews()) {
            if (sibling.get() != native)
                others.push_back(sibling);
        }
        for (const Retained<NSViewObject>& sibling : others) {
            sibling->removeFromSuperview();
            superview->addSubview(sibling.get());
        }
    });
}

void SetViewFilter(const void* view, id filter) {
    NSViewObject* native = viewOf(view);
    if (native == nullptr)
        return;
    Retained<appkit::NSArrayObject> filters;
    if (filter != nullptr)
        filters = Retained<appkit::NSArrayObject>::adopt(appkit::newArray({filter}));
    appkit::performOnMainThread([&] {
        appkit::setViewWantsLayer(native, true);
        appkit::setViewContentFilters(native, filters.get());
    });
}

void SetViewPattern(const void* view, const void* image) {
    NSViewObject* native = viewOf(view);
    if (native == nullptr)
        return;
    objc::AutoreleasePool pool;
    const id color = patternColor(image);
    if (objc::findMethod(native, objc::registerSelector("setBackgroundColor:")) != nullptr) {
        objc::send<void>(native, "setBackgroundColor:"_sel, color);
        objc::send<void>(native, "setDrawsBackground:"_sel, objc::YES);
    } else {
        appkit::performOnMainThread([&] { appkit::setViewBackgroundColor(native, color); });
    }
    objc::send<void>(native, "setNeedsDisplay:"_sel, objc::YES);
}

id AddSearchField(const void* target, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height) {
    NSViewObject* parent = viewOf(target);
    if (NSWindowObject* window = windowOf(target))
        parent = window->contentView();
    if (parent == nullptr)
        return nullptr;
    const objc::NSRect frame{{static_cast<double>(x), static_cast<double>(y)},
                             {static_cast<double>(width), static_cast<double>(height)}};
    const id field = objc::send<id>(objc::send<id>("NSSearchField"_class, "alloc"_sel),
                                    "initWithFrame:"_sel, frame);
    if (field == nullptr)
        return nullptr;
    objc::send<void>(field, "setAutoresizingMask:"_sel, objc::NSUInteger{2});
    objc::send<void>(field, "setSendsWholeSearchString:"_sel, objc::YES);
    objc::send<void>(parent, "addSubview:"_sel, field);
    return objc::autorelease(field);
}

core::Text ControlText(const void* control) {
    objc::AutoreleasePool pool;
    return objc::nativeStringText(objc::send<id>(control, "stringValue"_sel));
}

} // namespace sondrel::controls
