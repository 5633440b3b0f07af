#include "runtime/controls/GadgetCreation.h"

#include "platform/appkit/MainThread.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/GadgetList.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::controls {

objc::NSRect GadgetFrame(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return objc::NSRect{{static_cast<double>(x), static_cast<double>(y)},
                        {static_cast<double>(width), static_cast<double>(height)}};
}

// The whole creation runs on the main thread, where the views are made and put in their window
// (what it autoreleases there goes to the caller's pool).
std::int64_t CreateGadget(const GadgetCreation& creation) {
    return appkit::OnMainThread::run([&]() -> std::int64_t {
        InitGadgetKinds();
        // 1. The native view, autoreleased: its superview will keep it.
        const objc::id allocated =
            objc::send<objc::id>(objc::lookUpClass(creation.viewClass), "alloc"_sel);
        if (allocated == nullptr)
            return 0;
        const objc::id initialised =
            creation.initialise
                ? creation.initialise(allocated)
                : objc::send<objc::id>(allocated, "initWithFrame:"_sel, creation.frame);
        auto* view = objc::liveCast<appkit::NSViewObject>(initialised);
        if (view == nullptr)
            return 0;
        objc::autorelease(view);
        // 2. The operations object, handed to the record below.
        auto* functions = objc::liveCast<windowing::RTGadgetFunctionsObject>(objc::send<objc::id>(
            objc::send<objc::id>(objc::lookUpClass(creation.functionsClass), "alloc"_sel),
            "init"_sel));
        if (functions == nullptr)
            return reinterpret_cast<std::int64_t>(view);
        appkit::NSViewObject* container = creation.container ? creation.container(view) : view;
        // 3. The record.
        windowing::RT_GadgetStructure* record = windowing::SetupGadget(
            functions, creation.number, creation.kind, view, container, creation.flags);
        if (record == nullptr) {
            objc::release(functions);
            return 0;
        }
        // 4. and 5. The kind's text and settings.
        if (creation.configure)
            creation.configure(view, functions);
        // 6. Into the window.
        if (appkit::NSViewObject* parent = windowing::CurrentGadgetView())
            parent->addSubview(container);
        // 7.
        return creation.number == core::AnyObjectNumber ? functions->GadgetID
                                                        : reinterpret_cast<std::int64_t>(view);
    });
}

windowing::RT_GadgetStructure* FindGadget(core::ObjectNumber gadget) {
    return core::FindObject(windowing::GadgetRegistry(), gadget);
}

void RaiseViewEvent(const appkit::NSViewObject* view, std::int64_t gadget, std::uint64_t subtype) {
    const std::int64_t window =
        windowing::WindowNumberFromNative(view != nullptr ? view->window() : nullptr);
    windowing::QueueEvent(windowing::GadgetEvent, gadget, window, subtype);
}

} // namespace sondrel::controls
