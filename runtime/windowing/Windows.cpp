#include "runtime/windowing/Windows.h"

#include <memory>
#include <vector>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/GadgetList.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/WindowClasses.h"
#include "runtime/windowing/WindowRecord.h"

namespace sondrel::windowing {
namespace {

using appkit::NSApplicationObject;
using appkit::NSViewObject;
using appkit::NSWindowObject;
using appkit::Retained;
using objc::NSRect;

std::unique_ptr<core::ObjectRegistry<WindowRecord>>& RegistryHolder() {
    // Never destroyed: windows may still close while the process ends.
    static auto* holder = new std::unique_ptr<core::ObjectRegistry<WindowRecord>>(
        core::CreateObjectRegistry<WindowRecord>(
            8, [](core::ObjectNumber number) { CloseWindowObject(number); }));
    return *holder;
}

// Gives key status back, when the closing window is key, to the window that was key when it
// opened (if still visible), or else to the first visible window met on the way.
void HandBackKeyStatus(const WindowRecord& closing) {
    if (closing.previousKeyWindow == nullptr || !closing.window->isKeyWindow())
        return;
    NSWindowObject* remembered = nullptr;
    core::ObjectScan<WindowRecord> scan(WindowRegistry());
    while (const WindowRecord* record = scan.next()) {
        if (remembered == nullptr && record->window->isVisible())
            remembered = record->window;
        if (record->window == closing.previousKeyWindow) {
            if (record->window->isVisible()) {
                record->window->makeKeyWindow();
                remembered = nullptr;
            }
            break;
        }
    }
    if (remembered != nullptr)
        remembered->makeKeyWindow();
}

// Places a window so that it shares its centre with `reference` (screen coordinates).
void CentreOver(NSWindowObject* window, const NSRect& reference) {
    NSRect frame = window->frame();
    frame.origin.x = reference.origin.x + (reference.size.width - frame.size.width) / 2;
    frame.origin.y = reference.origin.y + (reference.size.height - frame.size.height) / 2;
    window->setFrame(frame, true);
}

std::int64_t CreateNativeWindow(core::ObjectNumber number, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView title,
                                std::uint32_t flags, NSWindowObject* parent) {
    if (x == kAbsentCoordinate || y == kAbsentCoordinate)
        flags |= WindowScreenCentered;
    if (flags & (WindowZoomButton | WindowMinimizeButton))
        flags |= WindowCloseButton;
    const std::uint64_t style = WindowStyleMask(flags);
    const NSRect frameForContent = NSWindowObject::frameRectForContentRect(
        NSRect{{0, 0}, {double(width), double(height)}}, style);
    const NSRect content{
        {double(x), appkit::mainScreenFrame().size.height - y - frameForContent.size.height},
        {double(width), double(height)}};

    auto window = Retained<NSWindowObject>::adopt(
        static_cast<NSWindowObject*>(objc::createInstance("RTWindow"_class)));
    if (!window || !window->initWithContentRect(content, style))
        return 0;

    WindowRecord* record = core::ObtainObject(WindowRegistry(), number);
    if (record == nullptr)
        return 0;
    const std::int64_t windowNumber =
        number == core::AnyObjectNumber ? core::ObjectHandle(record) : number;

    auto* delegate =
        static_cast<RTWindowEventsObject*>(objc::createInstance("RTWindowEvents"_class));
    delegate->connect(window.get(), windowNumber);

    record->window = window.get();
    record->delegate = delegate;
    record->previousKeyWindow = NSApplicationObject::shared()->keyWindow();
    record->minimumContentSize = window->contentMinSize();
    record->maximumContentSize = window->contentMaxSize();

    window->setReleasedWhenClosed(true); // the window's own reference goes on close
    window->setTitle(core::Text(title));
    if (parent != nullptr) {
        if (!(flags & WindowHidden))
            parent->addChildWindow(window.get());
        record->parent = parent;
    }
    if (flags & WindowScreenCentered) {
        window->center();
    } else if (flags & WindowParentCentered) {
        NSWindowObject* reference =
            parent != nullptr ? parent : NSApplicationObject::shared()->keyWindow();
        if (reference != nullptr)
            CentreOver(window.get(), reference->frame());
    }
    if (!(flags & WindowHidden)) {
        if (flags & WindowNoActivate)
            window->orderFront();
        else
            window->makeKeyAndOrderFront();
    }
    if (flags & WindowStartMinimized)
        window->miniaturize();
    else if (flags & WindowStartZoomed)
        window->zoom();

    auto contentView = Retained<RTFlippedWindowViewObject>::adopt(
        static_cast<RTFlippedWindowViewObject*>(appkit::newView(
            NSRect{{0, 0}, {double(width), double(height)}}, "RTFlippedWindowView")));
    contentView->WindowID = windowNumber;
    window->setContentView(contentView.get());

    window.release(); // the window keeps its own reference until it closes
    return number == core::AnyObjectNumber ? windowNumber
                                           : reinterpret_cast<std::int64_t>(record->window);
}

} // namespace

core::ObjectRegistry<WindowRecord>& WindowRegistry() {
    return *RegistryHolder();
}

std::uint64_t WindowStyleMask(std::uint32_t flags) {
    if (flags & (WindowZoomButton | WindowMinimizeButton))
        flags |= WindowCloseButton;
    if (flags & WindowBorderless)
        return appkit::NSWindowStyleMaskBorderless;
    std::uint64_t style = 0;
    if (flags & 0x83E)
        style |= appkit::NSWindowStyleMaskTitled;
    if (flags & WindowCloseButton)
        style |= appkit::NSWindowStyleMaskClosable;
    if (flags & 0x212)
        style |= appkit::NSWindowStyleMaskResizable;
    if (flags & 0x420)
        style |= appkit::NSWindowStyleMaskMiniaturizable;
    return style;
}

void InitWindows() {
    WindowRegistry();
}

void EndWindows() {
    CloseWindowObject(-1);
}

std::int64_t CreateWindow(core::ObjectNumber number, std::int32_t x, std::int32_t y,
                          std::int32_t width, std::int32_t height, core::TextView title,
                          std::uint32_t flags, NSWindowObject* parent) {
    const std::int64_t result = appkit::onMainThread(
        [&] { return CreateNativeWindow(number, x, y, width, height, title, flags, parent); });
    // The gadget list is the calling thread's own.
    if (result != 0 && !(flags & WindowNoGadgetList)) {
        const core::ObjectNumber windowNumber =
            number == core::AnyObjectNumber ? static_cast<core::ObjectNumber>(result) : number;
        SetGadgetListWindow(WindowHandle(windowNumber));
    }
    return result;
}

void CloseWindowObject(core::ObjectNumber number) {
    appkit::performOnMainThread([&] {
        if (number == -1) {
            std::vector<core::ObjectNumber> numbers;
            core::ObjectScan<WindowRecord> scan(WindowRegistry());
            core::ObjectNumber each = 0;
            while (scan.next(&each) != nullptr)
                numbers.push_back(each);
            for (core::ObjectNumber open : numbers)
                CloseWindowObject(open);
            return;
        }
        WindowRecord* record = core::FindObject(WindowRegistry(), number);
        if (record == nullptr)
            return;
        Retained<NSWindowObject> window = Retained<NSWindowObject>::retain(record->window);
        HandBackKeyStatus(*record);
        FreeWindowMenuBar(window.get());
        if (NSWindowObject* parent = window->parentWindow())
            parent->removeChildWindow(window.get());
        DiscardWindowBindings(number);
        window->close(); // windowWillClose: does the rest
    });
}

NSWindowObject* WindowHandle(core::ObjectNumber number) {
    return appkit::onMainThread([&]() -> NSWindowObject* {
        const WindowRecord* record = core::FindObject(WindowRegistry(), number);
        return record != nullptr ? record->window : nullptr;
    });
}

void SetWindowSticky(core::ObjectNumber number, std::int32_t sticky) {
    appkit::performOnMainThread([&] {
        if (const WindowRecord* record = core::FindObject(WindowRegistry(), number))
            record->window->setLevel(appkit::CGWindowLevelForKey(sticky != 0 ? 5 : 4));
    });
}

void SetWindowTitle(core::ObjectNumber number, core::TextView title) {
    appkit::performOnMainThread([&] {
        if (const WindowRecord* record = core::FindObject(WindowRegistry(), number))
            record->window->setTitle(std::u16string(title));
    });
}

std::int64_t WindowNumberFromNative(const void* window) {
    auto* native = objc::liveCast<NSWindowObject>(window);
    if (native == nullptr)
        return -1;
    const objc::id delegate = native->delegate();
    const objc::SEL windowID = objc::registerSelector("windowID");
    if (delegate == nullptr || objc::findMethod(delegate, windowID) == nullptr)
        return -1;
    return objc::send<std::int64_t>(delegate, windowID);
}

} // namespace sondrel::windowing
