#include "runtime/windowing/DragDrop.h"

#include <cmath>
#include <mutex>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

using appkit::NSViewObject;
using objc::BOOL;
using objc::Class;
using objc::id;
using objc::NSPoint;
using objc::NSRect;
using objc::NSUInteger;
using objc::SEL;

std::mutex g_heldMutex;
DropRecord* g_held = nullptr;

const char16_t* PasteboardType(std::uint32_t format) {
    switch (format) {
    case DropText:
        return appkit::NSStringPboardType;
    case DropFiles:
        return appkit::NSFilenamesPboardType;
    case DropImage:
        return appkit::NSTIFFPboardType;
    default:
        return nullptr;
    }
}

void AcceptDrops(NSViewObject* view, std::uint32_t format, std::int32_t enable) {
    const char16_t* type = PasteboardType(format);
    if (view == nullptr || type == nullptr)
        return;
    std::vector<std::u16string> types;
    for (const std::u16string& registered : view->registeredDraggedTypes()) {
        if (registered != type)
            types.push_back(registered);
    }
    if (enable != 0)
        types.emplace_back(type);
    view->registerForDraggedTypes(types);
}

NSUInteger DragAnswer(id sender) {
    const auto mask = objc::send<NSUInteger>(sender, "draggingSourceOperationMask"_sel);
    if (mask & appkit::NSDragOperationGeneric)
        return appkit::NSDragOperationGeneric;
    if (mask & appkit::NSDragOperationCopy)
        return appkit::NSDragOperationCopy;
    if (mask & appkit::NSDragOperationMove)
        return appkit::NSDragOperationMove;
    return mask & appkit::NSDragOperationLink;
}

std::u16string JoinLines(const std::vector<std::u16string>& lines) {
    std::u16string joined;
    for (const std::u16string& line : lines) {
        if (!joined.empty())
            joined.push_back(u'\n');
        joined += line;
    }
    return joined;
}

// Fills the record's content from the pasteboard's preferred type; false when it offers none.
bool TakeContent(id pasteboard, DropRecord& record) {
    const id preferred = appkit::autoreleasedStringArray(
        {appkit::NSTIFFPboardType, appkit::NSFilenamesPboardType, appkit::NSStringPboardType});
    const id type = objc::send<id>(pasteboard, "availableTypeFromArray:"_sel, preferred);
    const std::u16string name = objc::nativeStringText(type);
    if (name == appkit::NSTIFFPboardType) {
        const id data = objc::send<id>(pasteboard, "dataForType:"_sel, type);
        if (data == nullptr)
            return false;
        record.format = DropImage;
        if (Class imageClass = "NSImage"_class)
            record.image =
                objc::send<id>(objc::send<id>(imageClass, "alloc"_sel), "initWithData:"_sel, data);
        return true;
    }
    if (name == appkit::NSFilenamesPboardType) {
        const id list = objc::send<id>(pasteboard, "propertyListForType:"_sel, type);
        if (list == nullptr)
            return false;
        record.format = DropFiles;
        record.text = objc::newNativeString(JoinLines(appkit::stringArrayTexts(list)));
        return true;
    }
    if (name == appkit::NSStringPboardType) {
        const id text = objc::send<id>(pasteboard, "stringForType:"_sel, type);
        if (text == nullptr)
            return false;
        record.format = DropText;
        record.text = objc::newNativeString(objc::nativeStringText(text));
        return true;
    }
    return false;
}

BOOL performDragOperation(Class, SEL, id view, id sender, std::int64_t gadget,
                          std::int64_t window) {
    auto record = std::make_unique<DropRecord>();
    if (!TakeContent(objc::send<id>(sender, "draggingPasteboard"_sel), *record)) {
        FreeDropRecord(record.release());
        return objc::NO;
    }
    const NSPoint location = objc::send<NSPoint>(sender, "draggingLocation"_sel);
    const NSPoint point =
        objc::send<NSPoint>(view, "convertPoint:fromView:"_sel, location, static_cast<id>(nullptr));
    record->x = static_cast<std::int32_t>(std::trunc(point.x));
    record->y = static_cast<std::int32_t>(std::trunc(point.y));
    if (objc::send<BOOL>(view, "isFlipped"_sel) == objc::NO) {
        const NSRect bounds = objc::send<NSRect>(view, "bounds"_sel);
        record->y = static_cast<std::int32_t>(std::trunc(bounds.size.height - point.y));
    }
    const auto mask = objc::send<NSUInteger>(sender, "draggingSourceOperationMask"_sel);
    record->action = (mask & appkit::NSDragOperationMove)   ? 16
                     : (mask & appkit::NSDragOperationLink) ? 2
                                                            : 1;
    const auto detail = reinterpret_cast<std::uint64_t>(record.get());
    bool posted = false;
    if (gadget == -1) {
        posted = QueueEvent(WindowDropEvent, window, window, detail);
    } else {
        const std::int64_t owner = WindowNumberFromNative(objc::send<id>(view, "window"_sel));
        posted = QueueEvent(GadgetDropEvent, gadget, owner, detail);
    }
    if (posted)
        record.release(); // now the queue's, then the event loop's
    else
        FreeDropRecord(record.release());
    return objc::YES;
}

BOOL prepareForDragOperation(Class, SEL, id, id) {
    return objc::YES;
}
NSUInteger draggingUpdated(Class, SEL, id, id sender) {
    return DragAnswer(sender);
}
NSUInteger draggingEntered(Class, SEL, id, id sender) {
    return DragAnswer(sender);
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("RTDragDrop", "NSObject")
        .classMethod("performDragOperation:sender:gadgetId:windowId:", &performDragOperation)
        .classMethod("prepareForDragOperation:sender:", &prepareForDragOperation)
        .classMethod("draggingUpdated:sender:", &draggingUpdated)
        .classMethod("draggingEntered:sender:", &draggingEntered)};

} // namespace

void AcceptGadgetDrops(core::ObjectNumber gadget, std::uint32_t format, std::int32_t enable) {
    appkit::performOnMainThread(
        [&] { AcceptDrops(objc::liveCast<NSViewObject>(GadgetHandle(gadget)), format, enable); });
}

void AcceptWindowDrops(core::ObjectNumber window, std::uint32_t format, std::int32_t enable) {
    appkit::performOnMainThread([&] {
        if (appkit::NSWindowObject* native = WindowHandle(window))
            AcceptDrops(native->contentView(), format, enable);
    });
}

core::Text DroppedFileNames() {
    std::lock_guard lock(g_heldMutex);
    if (g_held == nullptr || g_held->format != DropFiles)
        return {};
    return objc::nativeStringText(g_held->text);
}

bool PostFileDrop(core::ObjectNumber gadget, core::ObjectNumber window,
                  const std::vector<core::Text>& paths) {
    auto record = std::make_unique<DropRecord>();
    record->format = DropFiles;
    record->action = 1;
    record->text = objc::newNativeString(JoinLines(paths));
    if (!QueueEvent(GadgetDropEvent, gadget, window,
                    reinterpret_cast<std::uint64_t>(record.get()))) {
        FreeDropRecord(record.release());
        return false;
    }
    record.release(); // now the queue's, then the event loop's
    return true;
}

void FreeDropRecord(DropRecord* record) {
    if (record == nullptr)
        return;
    objc::release(record->text);
    objc::release(record->image);
    delete record;
}

namespace detail {

void HoldDropRecord(DropRecord* record) {
    std::lock_guard lock(g_heldMutex);
    if (g_held != record)
        FreeDropRecord(std::exchange(g_held, record));
}

void FreeHeldDropRecord() {
    HoldDropRecord(nullptr);
}

} // namespace detail
} // namespace sondrel::windowing
