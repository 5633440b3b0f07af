#include "runtime/windowing/Gadget.h"

#include <vector>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/NSString.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/GadgetList.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

using appkit::NSViewObject;
using objc::BOOL;
using objc::id;
using objc::NSRect;
using objc::SEL;

constexpr std::int32_t kAbsent = -65535;

GadgetCreatedHook g_createdHook = nullptr;
appkit::Retained<objc::Object> g_defaultFont;

core::ObjectRegistry<RT_GadgetStructure>& Registry() {
    static auto* registry =
        core::CreateObjectRegistry<RT_GadgetStructure>(16, [](core::ObjectNumber number) {
            FreeGadgetObject(number);
        }).release(); // never destroyed: views may go while the process ends
    return *registry;
}

// Runs `operation` on the record of `gadget` on the main thread; `otherwise` for an unknown one.
template <class R, class F> R WithGadget(core::ObjectNumber gadget, R otherwise, F operation) {
    return appkit::onMainThread([&]() -> R {
        RT_GadgetStructure* record = core::FindObject(Registry(), gadget);
        if (record == nullptr || record->functions == nullptr)
            return otherwise;
        return operation(*record);
    });
}

bool IsControl(const RTGadgetFunctionsObject* self) {
    return self->isNSControl != 0 && self->Gadget != nullptr && self->Gadget->view != nullptr;
}

id ControlView(const RTGadgetFunctionsObject* self) {
    return IsControl(self) ? self->Gadget->view : nullptr;
}

// The base operations, in method-list order.
std::int64_t zeroWithInt(RTGadgetFunctionsObject*, SEL, std::int32_t) {
    return 0;
}
void nothingWithIntWord(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int64_t) {}
id nilItemColor(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int32_t, std::int32_t) {
    return nullptr;
}
void nothingItemColor(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int32_t, id, std::int32_t) {
}
id nilColor(RTGadgetFunctionsObject*, SEL, std::int32_t) {
    return nullptr;
}
void nothingColor(RTGadgetFunctionsObject*, SEL, std::int32_t, id) {}
std::int64_t zeroItemAttribute(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int32_t,
                               std::int32_t) {
    return 0;
}
void nothingItemAttribute(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int32_t, std::int64_t,
                          std::int32_t) {}
void nothingAttribute(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int64_t) {}
id emptyItemText(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int32_t) {
    return objc::autoreleasedNativeString(u"");
}
void nothingItemText(RTGadgetFunctionsObject*, SEL, std::int32_t, id, std::int32_t) {}
id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    if (const id control = ControlView(self))
        return objc::send<id>(control, "stringValue"_sel);
    return objc::autoreleasedNativeString(u"");
}
void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    objc::send<void>(ControlView(self), "setStringValue:"_sel, text);
}
void nothingItemImage(RTGadgetFunctionsObject*, SEL, std::int32_t, id) {}
void nothingItemState(RTGadgetFunctionsObject*, SEL, std::int32_t, std::int64_t) {}
std::int64_t getGadgetState(RTGadgetFunctionsObject* self, SEL) {
    if (const id control = ControlView(self))
        return objc::send<std::int32_t>(control, "intValue"_sel);
    return 0;
}
void setGadgetState(RTGadgetFunctionsObject* self, SEL, std::int64_t state) {
    objc::send<void>(ControlView(self), "setIntValue:"_sel, static_cast<std::int32_t>(state));
}
void nothingWithInt(RTGadgetFunctionsObject*, SEL, std::int32_t) {}
std::int64_t zeroColumn(RTGadgetFunctionsObject*, SEL, std::int32_t, id, std::int32_t) {
    return 0;
}
std::int32_t zeroCount(RTGadgetFunctionsObject*, SEL) {
    return 0;
}
void nothing(RTGadgetFunctionsObject*, SEL) {}
std::int64_t zeroAddItem(RTGadgetFunctionsObject*, SEL, std::int32_t, id, id, std::int32_t) {
    return 0;
}
id getGadgetFont(RTGadgetFunctionsObject* self, SEL) {
    return objc::send<id>(ControlView(self), "font"_sel);
}
void setGadgetFont(RTGadgetFunctionsObject* self, SEL, id font) {
    objc::send<void>(ControlView(self), "setFont:"_sel, font);
}
void resizeGadget(RTGadgetFunctionsObject* self, SEL, std::int32_t x, std::int32_t y,
                  std::int32_t width, std::int32_t height) {
    NSViewObject* container = self->Gadget != nullptr ? self->Gadget->container : nullptr;
    if (container == nullptr)
        return;
    // Messages, not the C++ calls: view classes add to setFrame: (a button's bezel follows its
    // height, a scroll view lays out its document view).
    NSRect frame = objc::send<NSRect>(container, "frame"_sel);
    if (x != kAbsent)
        frame.origin.x = x;
    if (y != kAbsent)
        frame.origin.y = y;
    if (width != kAbsent)
        frame.size.width = width;
    if (height != kAbsent)
        frame.size.height = height;
    objc::send<void>(container, "setFrame:"_sel, frame);
    objc::send<void>(container, "setNeedsDisplay:"_sel, objc::YES);
}
std::int32_t gadgetHeight(RTGadgetFunctionsObject* self, SEL) {
    NSViewObject* container = self->Gadget != nullptr ? self->Gadget->container : nullptr;
    return container != nullptr ? static_cast<std::int32_t>(container->frame().size.height) : 0;
}
std::int32_t gadgetWidth(RTGadgetFunctionsObject* self, SEL) {
    NSViewObject* container = self->Gadget != nullptr ? self->Gadget->container : nullptr;
    return container != nullptr ? static_cast<std::int32_t>(container->frame().size.width) : 0;
}
// Position of the container: mode 1 on the screen (y from the top of the main screen), mode 2 in
// the window's content view, otherwise its frame in its superview.
objc::NSPoint GadgetPosition(const RTGadgetFunctionsObject* self, std::int32_t mode) {
    NSViewObject* container = self->Gadget != nullptr ? self->Gadget->container : nullptr;
    if (container == nullptr)
        return {};
    const NSRect frame = container->frame();
    appkit::NSWindowObject* window = container->window();
    if (window == nullptr || (mode != 1 && mode != 2) || container->superview() == nullptr)
        return frame.origin;
    const objc::NSPoint base = container->superview()->convertPointToView(frame.origin, nullptr);
    if (mode == 2) {
        NSViewObject* content = window->contentView();
        return content != nullptr ? content->convertPointFromView(base, nullptr) : base;
    }
    const objc::NSPoint screen = window->convertBaseToScreen(base);
    const double top =
        container->superview()->isFlipped() ? screen.y : screen.y + frame.size.height;
    return objc::NSPoint{screen.x, appkit::mainScreenFrame().size.height - top};
}
std::int32_t gadgetY(RTGadgetFunctionsObject* self, SEL, std::int32_t mode) {
    return static_cast<std::int32_t>(GadgetPosition(self, mode).y);
}
std::int32_t gadgetX(RTGadgetFunctionsObject* self, SEL, std::int32_t mode) {
    return static_cast<std::int32_t>(GadgetPosition(self, mode).x);
}
void disableGadget(RTGadgetFunctionsObject* self, SEL, std::int32_t state) {
    objc::send<void>(ControlView(self), "setEnabled:"_sel, state == 0 ? objc::YES : objc::NO);
}
void hideGadget(RTGadgetFunctionsObject* self, SEL, std::int32_t state) {
    if (self->Gadget != nullptr && self->Gadget->container != nullptr)
        self->Gadget->container->setHidden(state != 0);
}
void gadgetToolTip(RTGadgetFunctionsObject* self, SEL, id text) {
    if (self->Gadget != nullptr && self->Gadget->view != nullptr)
        self->Gadget->view->setToolTip(objc::nativeStringText(text));
}
void activateGadget(RTGadgetFunctionsObject* self, SEL) {
    NSViewObject* view = self->Gadget != nullptr ? self->Gadget->view : nullptr;
    appkit::NSWindowObject* window = view != nullptr ? view->window() : nullptr;
    if (window == nullptr)
        return;
    window->makeKeyWindow();
    objc::send<BOOL>(window, "makeFirstResponder:"_sel, static_cast<id>(view));
}
void sendEvent(RTGadgetFunctionsObject* self, SEL, std::int64_t subtype) {
    const std::int64_t window = self->Gadget != nullptr ? self->Gadget->window : -1;
    QueueEvent(GadgetEvent, self->GadgetID, window, static_cast<std::uint64_t>(subtype));
}
void eventHandler(RTGadgetFunctionsObject* self, SEL, id) {
    objc::send<void>(self, "SendEvent:"_sel, std::int64_t{0});
}
void targetControl(RTGadgetFunctionsObject* self) {
    if (!IsControl(self))
        return;
    objc::send<void>(self->Gadget->view, "setTarget:"_sel, static_cast<id>(self));
    objc::send<void>(self->Gadget->view, "setAction:"_sel, objc::registerSelector("EventHandler:"));
}
bool ViewIsControl(const NSViewObject* view) {
    const objc::Class control = "NSControl"_class;
    return control != nullptr && objc::isKindOfClass(view, control);
}
void reuse(RTGadgetFunctionsObject* self, SEL, void* record, std::int32_t kind) {
    auto* gadget = static_cast<RT_GadgetStructure*>(record);
    if (gadget == nullptr || gadget->view == nullptr)
        return;
    if (gadget->functions != self) {
        objc::retain(self);
        objc::release(std::exchange(gadget->functions, self));
    }
    gadget->kind = kind;
    self->Gadget = gadget;
    self->GadgetID = objc::send<std::int64_t>(gadget->view, "tag"_sel);
    self->isNSControl = ViewIsControl(gadget->view) ? 1 : 0;
    targetControl(self);
}
void* setup(RTGadgetFunctionsObject* self, SEL, std::int64_t number, std::int32_t kind, id view,
            id container, std::uint32_t flags) {
    return SetupGadget(self, number, kind, objc::liveCast<NSViewObject>(view),
                       objc::liveCast<NSViewObject>(container), flags);
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("RTGadgetFunctions", "NSObject",
                          objc::factoryFor<RTGadgetFunctionsObject>())
        .instanceMethod("OpenGadgetList:", &nothingWithInt)
        .instanceMethod("GetGadgetItemData:", &zeroWithInt)
        .instanceMethod("SetGadgetItemData:value:", &nothingWithIntWord)
        .instanceMethod("GetGadgetItemColor:type:column:", &nilItemColor)
        .instanceMethod("SetGadgetItemColor:type:color:column:", &nothingItemColor)
        .instanceMethod("GetGadgetColor:", &nilColor)
        .instanceMethod("SetGadgetColor:color:", &nothingColor)
        .instanceMethod("GetGadgetItemAttribute:attribute:column:", &zeroItemAttribute)
        .instanceMethod("SetGadgetItemAttribute:attribute:value:column:", &nothingItemAttribute)
        .instanceMethod("GetGadgetAttribute:", &zeroWithInt)
        .instanceMethod("SetGadgetAttribute:value:", &nothingAttribute)
        .instanceMethod("GetGadgetItemText:column:", &emptyItemText)
        .instanceMethod("SetGadgetItemText:text:column:", &nothingItemText)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("SetGadgetItemImage:image:", &nothingItemImage)
        .instanceMethod("GetGadgetItemState:", &zeroWithInt)
        .instanceMethod("SetGadgetItemState:state:", &nothingItemState)
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("RemoveGadgetColumn:", &nothingWithInt)
        .instanceMethod("AddGadgetColumn:title:width:", &zeroColumn)
        .instanceMethod("CountGadgetItems", &zeroCount)
        .instanceMethod("ClearGadgetItems", &nothing)
        .instanceMethod("RemoveGadgetItem:", &nothingWithInt)
        .instanceMethod("AddGadgetItem:text:image:flags:", &zeroAddItem)
        .instanceMethod("GetGadgetFont", &getGadgetFont)
        .instanceMethod("SetGadgetFont:", &setGadgetFont)
        .instanceMethod("ResizeGadget:y:width:height:", &resizeGadget)
        .instanceMethod("GadgetHeight", &gadgetHeight)
        .instanceMethod("GadgetWidth", &gadgetWidth)
        .instanceMethod("GadgetY:", &gadgetY)
        .instanceMethod("GadgetX:", &gadgetX)
        .instanceMethod("DisableGadget:", &disableGadget)
        .instanceMethod("HideGadget:", &hideGadget)
        .instanceMethod("GadgetToolTip:", &gadgetToolTip)
        .instanceMethod("ActivateGadget", &activateGadget)
        .instanceMethod("FreeGadget", &nothing)
        .instanceMethod("EventHandler:", &eventHandler)
        .instanceMethod("SendEvent:", &sendEvent)
        .instanceMethod("reuse:type:", &reuse)
        .instanceMethod("setup:type:view:container:flags:", &setup)};

} // namespace

core::ObjectRegistry<RT_GadgetStructure>& GadgetRegistry() {
    return Registry();
}

void InitGadgets() {
    Registry();
}

void EndGadgets() {
    FreeGadgetObject(-1);
}

void SetGadgetCreatedHook(GadgetCreatedHook hook) {
    g_createdHook = hook;
}

void SetDefaultGadgetFont(id font) {
    g_defaultFont = appkit::Retained<objc::Object>::retain(font);
}

RT_GadgetStructure* SetupGadget(RTGadgetFunctionsObject* functions, core::ObjectNumber number,
                                std::int32_t kind, NSViewObject* view, NSViewObject* container,
                                std::uint32_t flags) {
    if (functions == nullptr || view == nullptr)
        return nullptr;
    // The window comes from the calling thread's gadget list, read before moving to the main
    // thread.
    appkit::NSWindowObject* window = CurrentGadgetWindow();
    return appkit::onMainThread([&]() -> RT_GadgetStructure* {
        RT_GadgetStructure* record = core::ObtainObject(Registry(), number);
        if (record == nullptr)
            return nullptr;
        functions->Gadget = record;
        functions->GadgetID = number == core::AnyObjectNumber ? core::ObjectHandle(record) : number;
        functions->isNSControl = ViewIsControl(view) ? 1 : 0;
        record->view = view;
        record->container = container != nullptr ? container : view;
        record->functions = functions;
        record->kind = kind;
        record->flags = flags;
        record->window = WindowNumberFromNative(window);
        objc::send<void>(view, "setTag:"_sel, functions->GadgetID);
        targetControl(functions);
        if (g_defaultFont)
            objc::send<void>(functions, "SetGadgetFont:"_sel, static_cast<id>(g_defaultFont.get()));
        if (g_createdHook != nullptr)
            g_createdHook(kind);
        return record;
    });
}

void ReleaseGadgetRecord(core::ObjectNumber number) {
    appkit::performOnMainThread([&] {
        RT_GadgetStructure* record = core::FindObject(Registry(), number);
        if (record == nullptr)
            return;
        objc::send<void>(record->view, "setAlreadyDestroyed:"_sel, objc::YES);
        RTGadgetFunctionsObject* functions = record->functions;
        if (functions != nullptr) {
            objc::send<void>(functions, "FreeGadget"_sel);
            record->functions = nullptr;
            functions->Gadget = nullptr;
            objc::release(functions);
        }
        core::ReleaseObject(Registry(), number);
    });
}

void ClearGadgetItems(core::ObjectNumber gadget) {
    WithGadget(gadget, 0, [](RT_GadgetStructure& record) {
        objc::send<void>(record.functions, "ClearGadgetItems"_sel);
        return 0;
    });
}

std::int32_t CountGadgetItems(core::ObjectNumber gadget) {
    return WithGadget(gadget, std::int32_t{0}, [](RT_GadgetStructure& record) {
        return objc::send<std::int32_t>(record.functions, "CountGadgetItems"_sel);
    });
}

void DisableGadget(core::ObjectNumber gadget, std::int32_t state) {
    WithGadget(gadget, 0, [&](RT_GadgetStructure& record) {
        objc::send<void>(record.functions, "DisableGadget:"_sel, state);
        return 0;
    });
}

void HideGadget(core::ObjectNumber gadget, std::int32_t state) {
    WithGadget(gadget, 0, [&](RT_GadgetStructure& record) {
        objc::send<void>(record.functions, "HideGadget:"_sel, state);
        return 0;
    });
}

std::int64_t GetGadgetState(core::ObjectNumber gadget) {
    return WithGadget(gadget, std::int64_t{0}, [](RT_GadgetStructure& record) {
        return objc::send<std::int64_t>(record.functions, "GetGadgetState"_sel);
    });
}

void SetGadgetState(core::ObjectNumber gadget, std::int64_t state) {
    WithGadget(gadget, 0, [&](RT_GadgetStructure& record) {
        objc::send<void>(record.functions, "SetGadgetState:"_sel, state);
        return 0;
    });
}

void SetGadgetColor(core::ObjectNumber gadget, std::int32_t type, std::int32_t color) {
    WithGadget(gadget, 0, [&](RT_GadgetStructure& record) {
        id native = nullptr;
        if (color != -1) {
            const objc::Class colorClass = "NSColor"_class;
            native = objc::send<id>(colorClass, "colorWithDeviceRed:green:blue:alpha:"_sel,
                                    (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                                    ((color >> 16) & 0xFF) / 255.0, 1.0);
        }
        objc::send<void>(record.functions, "SetGadgetColor:color:"_sel, type, native);
        return 0;
    });
}

NSViewObject* GadgetHandle(core::ObjectNumber gadget) {
    return WithGadget(gadget, static_cast<NSViewObject*>(nullptr),
                      [](RT_GadgetStructure& record) { return record.view; });
}

void FreeGadgetObject(core::ObjectNumber gadget) {
    appkit::performOnMainThread([&] {
        if (gadget == -1) {
            std::vector<core::ObjectNumber> numbers;
            core::ObjectScan<RT_GadgetStructure> scan(Registry());
            core::ObjectNumber each = 0;
            while (scan.next(&each) != nullptr)
                numbers.push_back(each);
            for (core::ObjectNumber number : numbers)
                FreeGadgetObject(number);
            return;
        }
        RT_GadgetStructure* record = core::FindObject(Registry(), gadget);
        if (record == nullptr)
            return;
        // Removing the container may deallocate the main view, which releases the record
        // itself; the release below then finds nothing. Either way the record goes once.
        appkit::Retained<NSViewObject> container =
            appkit::Retained<NSViewObject>::retain(record->container);
        container->removeFromSuperview();
        ReleaseGadgetRecord(gadget);
    });
}

namespace detail {

void GadgetViewDealloc(objc::Object* view, std::int64_t tag, bool alreadyDestroyed,
                       objc::IMP implementation) {
    if (!alreadyDestroyed)
        ReleaseGadgetRecord(tag);
    // On to the dealloc of the class above the one that brought this implementation.
    const SEL dealloc = objc::registerSelector("dealloc");
    for (objc::Class cls = objc::getClass(view); cls != nullptr; cls = cls->superclass()) {
        const objc::Method* mine = objc::getInstanceMethod(cls, dealloc);
        const objc::Method* above = cls->superclass() != nullptr
                                        ? objc::getInstanceMethod(cls->superclass(), dealloc)
                                        : nullptr;
        if (mine != nullptr && mine->implementation == implementation &&
            (above == nullptr || above->implementation != implementation)) {
            objc::sendSuper<void>(cls->superclass(), view, "dealloc"_sel);
            return;
        }
    }
}

BOOL GadgetViewPerformDrag(objc::Object* view, id sender, std::int64_t tag) {
    return objc::send<BOOL>("RTDragDrop"_class,
                            "performDragOperation:sender:gadgetId:windowId:"_sel,
                            static_cast<id>(view), sender, tag, std::int64_t{-1});
}

BOOL GadgetViewPrepareDrag(objc::Object* view, id sender) {
    return objc::send<BOOL>("RTDragDrop"_class, "prepareForDragOperation:sender:"_sel,
                            static_cast<id>(view), sender);
}

objc::NSUInteger GadgetViewDragAnswer(objc::Object* view, id sender, bool entered) {
    const objc::Class dragDrop = "RTDragDrop"_class;
    const id target = view;
    return entered ? objc::send<objc::NSUInteger>(dragDrop, "draggingEntered:sender:"_sel, target,
                                                  sender)
                   : objc::send<objc::NSUInteger>(dragDrop, "draggingUpdated:sender:"_sel, target,
                                                  sender);
}

} // namespace detail
} // namespace sondrel::windowing
