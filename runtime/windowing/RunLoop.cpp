#include "runtime/windowing/RunLoop.h"

#include <optional>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/Shortcuts.h"
#include "runtime/windowing/SingleInstance.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

using appkit::NSApplicationObject;
using appkit::NSEventObject;
using objc::id;
using objc::SEL;

// Thread-safe mode is on in this program: the queue has its lock, and start-up switches the
// native side into multi-threaded operation.
constexpr bool kThreadSafe = true;

struct RunLoopState {
    bool launched = false;
    std::optional<objc::AutoreleasePool> pool;
    appkit::Retained<objc::Object> applicationDelegate;
};

RunLoopState& State() {
    static auto* state = new RunLoopState; // main thread only; lives as long as the process
    return *state;
}

// The edit action for a key press with exactly Command (or Command+Shift for redo), or null.
SEL EditAction(const NSEventObject& event) {
    const auto flags = event.modifierFlags & appkit::NSEventModifierFlagDeviceIndependentFlagsMask;
    const std::u16string& key = event.charactersIgnoringModifiers;
    if (flags == appkit::NSEventModifierFlagCommand) {
        if (key == u"x")
            return objc::registerSelector("cut:");
        if (key == u"c")
            return objc::registerSelector("copy:");
        if (key == u"v")
            return objc::registerSelector("paste:");
        if (key == u"z")
            return objc::registerSelector("undo:");
        if (key == u"a")
            return objc::registerSelector("selectAll:");
    } else if (flags == (appkit::NSEventModifierFlagCommand | appkit::NSEventModifierFlagShift) &&
               key == u"Z") {
        return objc::registerSelector("redo:");
    }
    return nullptr;
}

// Steps 6 and 7 of a wait: filters, shortcuts, edit actions, then normal dispatch.
void HandleNativeEvent(NSApplicationObject& app, NSEventObject& event) {
    if (detail::FilterNativeEvent(&event))
        return;
    if (event.type == appkit::NSEventTypeKeyDown) {
        const std::int64_t window = WindowNumberFromNative(event.window());
        std::int32_t eventNumber = 0;
        if (window != -1 && MatchWindowShortcut(window, event, &eventNumber)) {
            QueueEvent(MenuEvent, eventNumber, window, 0);
            return;
        }
        if (const SEL action = EditAction(event);
            action != nullptr && app.sendAction(action, nullptr, &app)) {
            app.updateWindows();
            return;
        }
    }
    app.sendEvent(&event);
    app.updateWindows();
}

// RTApplicationDelegate.
void theadedAction(objc::Object*, SEL, id) {}
// Files handed to the application (by a later start of the program) go to the open-files
// handler, if the program installed one.
void applicationOpenFiles(objc::Object*, SEL, id, id files) {
    const std::vector<std::u16string> paths = appkit::stringArrayTexts(files);
    detail::OpenFiles(std::vector<core::Text>(paths.begin(), paths.end()));
}

const objc::ClassRegistration applicationDelegateRegistration{
    objc::ClassDefinition("RTApplicationDelegate", "NSObject")
        .instanceMethod("theadedAction:", &theadedAction)
        .instanceMethod("application:openFiles:", &applicationOpenFiles)};

} // namespace

void InitApplication() {
    NSApplicationObject* app = NSApplicationObject::shared();
    RunLoopState& state = State();
    if (!state.pool)
        state.pool.emplace();
    if (app->delegate() != nullptr)
        return;
    InitApplicationMenus();
    state.applicationDelegate =
        appkit::Retained<objc::Object>::adopt(objc::createInstance("RTApplicationDelegate"_class));
    app->setDelegate(state.applicationDelegate.get());
    if (kThreadSafe) {
        objc::send<void>("NSThread"_class, "detachNewThreadSelector:toTarget:withObject:"_sel,
                         objc::registerSelector("theadedAction:"),
                         static_cast<id>(state.applicationDelegate.get()),
                         static_cast<id>(nullptr));
    }
}

std::int32_t WaitEvent(std::int32_t timeout) {
    NSApplicationObject* app = NSApplicationObject::shared();
    RunLoopState& state = State();
    if (!state.launched) {
        app->finishLaunching();
        state.launched = true;
    }
    detail::FreeHeldDropRecord();
    state.pool.reset();
    state.pool.emplace();

    std::int32_t kind = detail::TakeEvent();
    if (kind == 0) {
        const appkit::NSDateObject* until =
            timeout < 0    ? appkit::dateDistantFuture()
            : timeout == 0 ? appkit::dateNow()
                           : appkit::dateWithTimeIntervalSinceNow(timeout / 1000.0);
        NSEventObject* event = app->nextEvent(until, true);
        if (event == nullptr)
            return 0;
        HandleNativeEvent(*app, *event);
        kind = detail::TakeEvent();
        if (kind == 0)
            return -1;
    }
    if (kind == WindowDropEvent || kind == GadgetDropEvent)
        detail::HoldDropRecord(reinterpret_cast<DropRecord*>(CurrentEventDetail()));
    return kind;
}

void WakeRunLoop() {
    NSApplicationObject* app = NSApplicationObject::existing();
    if (app == nullptr)
        return;
    const objc::AutoreleasePool pool;
    const id event = objc::send<id>(
        "NSEvent"_class,
        "otherEventWithType:location:modifierFlags:timestamp:windowNumber:context:subtype:data1:"
        "data2:"_sel,
        objc::NSUInteger{appkit::NSEventTypeApplicationDefined}, objc::NSPoint{0, 0},
        objc::NSUInteger{0}, 0.0, objc::NSInteger{0}, static_cast<id>(nullptr), short{0},
        objc::NSInteger{0}, objc::NSInteger{0});
    app->postEvent(objc::liveCast<NSEventObject>(event), true);
}

void InitWindowingLibrary() {
    InitGadgets();
    InitEventQueue();
    InitWindows();
    InitMenus();
    InitApplication();
}

void EndWindowingLibrary() {
    EndGadgets();
    EndWindows();
    EndMenus();
    detail::FreeHeldDropRecord();
    EndEventQueue();
}

namespace detail {

bool NativeEventPending() {
    NSApplicationObject* app = NSApplicationObject::existing();
    return app != nullptr && app->hasQueuedEvent();
}

} // namespace detail
} // namespace sondrel::windowing
