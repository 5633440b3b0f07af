#pragma once

// The gadget core: what all gadget kinds share.
//
// A gadget is a control inside a window, named by a number in the gadget registry. Its record
// (RT_GadgetStructure) binds the main view (which carries the gadget number as its tag), the
// container placed in the window (the view itself, or e.g. a scroll view around it) and an
// operations object of a subclass of RTGadgetFunctions, whose methods are the gadget operations;
// a kind overrides the ones it supports and inherits the base behaviour (nothing, 0, nil or the
// empty text; for controls the NSControl value, text, font and enabling) for the rest.
//
// A record is released exactly once, whichever comes first: FreeGadgetObject, or the main view
// being deallocated (for example with its window). Gadget view classes get that behaviour, and
// the forwarding of their drag callbacks to RTDragDrop, from AddGadgetViewMethods.
//
// The generic operations take the gadget number first; an unknown number does nothing and gives
// 0 (GadgetHandle null). They may be called from any thread: the work is carried out on the main
// thread, in order.

#include <cstdint>

#include "platform/appkit/NSView.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/core/ObjectRegistry.h"

namespace sondrel::windowing {

class RTGadgetFunctionsObject;

struct RT_GadgetStructure {
    // The main view. Cocoa declares it as a union of typed views (NSControl, NSButton,
    // NSTextField, ...); here they are all NSView subclasses and one pointer serves.
    appkit::NSViewObject* view = nullptr; // null marks a free record
    appkit::NSViewObject* container = nullptr;
    RTGadgetFunctionsObject* functions = nullptr; // owned by the record
    std::int64_t window = -1;
    std::int32_t kind = 0;
    std::uint32_t flags = 0;

    bool exists() const noexcept { return view != nullptr; }
};

class RTGadgetFunctionsObject : public objc::Object {
public:
    using Object::Object;
    std::int64_t GadgetID = 0;
    RT_GadgetStructure* Gadget = nullptr;
    std::int32_t isNSControl = 0;

    // The record's main view and creation flags; null and 0 before the set-up.
    appkit::NSViewObject* mainView() const { return Gadget != nullptr ? Gadget->view : nullptr; }
    std::uint32_t flags() const { return Gadget != nullptr ? Gadget->flags : 0; }
};

// Colour types of SetGadgetColor.
inline constexpr std::int32_t kGadgetFrontColor = 1;
inline constexpr std::int32_t kGadgetBackColor = 2;

// Creates the gadget registry; call once at start-up, before InitEventQueue.
void InitGadgets();
// Frees every gadget.
void EndGadgets();

// The gadget registry (for the gadget kinds).
core::ObjectRegistry<RT_GadgetStructure>& GadgetRegistry();

// Creation set-up (setup:type:view:container:flags:): binds the operations object, the main view
// and the container into the record of `number` (AnyObjectNumber: a new dynamic record), tags the
// view with the gadget number and, for a control, makes the operations object its target with
// the action EventHandler:. The record's window is that of the calling thread's current gadget
// list. Returns the record, or null when none could be had.
RT_GadgetStructure* SetupGadget(RTGadgetFunctionsObject* functions, core::ObjectNumber number,
                                std::int32_t kind, appkit::NSViewObject* view,
                                appkit::NSViewObject* container, std::uint32_t flags);

// Called by the set-up with each new gadget's kind (the gadget kinds use it to end the current
// option group when another kind is created).
using GadgetCreatedHook = void (*)(std::int32_t kind);
void SetGadgetCreatedHook(GadgetCreatedHook hook);
// A font (NSFont) the set-up applies to every new gadget; none by default.
void SetDefaultGadgetFont(objc::id font);

// Releases the record of `number` once: marks its main view as already destroyed, lets the
// operations object free its state (FreeGadget) and releases it, and frees the registry slot.
void ReleaseGadgetRecord(core::ObjectNumber number);

// The generic operations.
void ClearGadgetItems(core::ObjectNumber gadget);
std::int32_t CountGadgetItems(core::ObjectNumber gadget);
void DisableGadget(core::ObjectNumber gadget, std::int32_t state);
void HideGadget(core::ObjectNumber gadget, std::int32_t state);
std::int64_t GetGadgetState(core::ObjectNumber gadget);
void SetGadgetState(core::ObjectNumber gadget, std::int64_t state);
// Colour: red in bits 0-7, green 8-15, blue 16-23; -1 for the kind's default colour.
void SetGadgetColor(core::ObjectNumber gadget, std::int32_t type, std::int32_t color);
appkit::NSViewObject* GadgetHandle(core::ObjectNumber gadget);
// Removes the gadget's container from the window and releases the record (-1: every gadget).
void FreeGadgetObject(core::ObjectNumber gadget);

// The fields every gadget view class has.
struct GadgetViewFields {
    std::int64_t RT_tag = 0;
    bool RT_alreadyDestroyed = false;
};

// The C++ type of a gadget view class: a native view type with the gadget view fields.
template <class NativeView> class GadgetView : public NativeView, public GadgetViewFields {
public:
    using NativeView::NativeView;
};

namespace detail {
void GadgetViewDealloc(objc::Object* view, std::int64_t tag, bool alreadyDestroyed,
                       objc::IMP implementation);
objc::BOOL GadgetViewPerformDrag(objc::Object* view, objc::id sender, std::int64_t tag);
objc::BOOL GadgetViewPrepareDrag(objc::Object* view, objc::id sender);
objc::NSUInteger GadgetViewDragAnswer(objc::Object* view, objc::id sender, bool entered);
} // namespace detail

template <class View> void GadgetViewDeallocMethod(View* self, objc::SEL) {
    detail::GadgetViewDealloc(self, self->RT_tag, self->RT_alreadyDestroyed,
                              reinterpret_cast<objc::IMP>(&GadgetViewDeallocMethod<View>));
}

// Adds the common gadget view methods (setTag:, tag, setAlreadyDestroyed:, dealloc, finalize and
// the four drag methods) to the definition of a view class whose C++ type `View` derives from an
// NSView type and from GadgetViewFields.
template <class View>
objc::ClassDefinition& AddGadgetViewMethods(objc::ClassDefinition& definition) {
    using objc::SEL;
    void (*dealloc)(View*, SEL) = &GadgetViewDeallocMethod<View>;
    return definition
        .instanceMethod(
            "setTag:", +[](View* self, SEL, std::int64_t tag) { self->RT_tag = tag; })
        .instanceMethod(
            "tag", +[](View* self, SEL) { return self->RT_tag; })
        .instanceMethod(
            "setAlreadyDestroyed:",
            +[](View* self, SEL, objc::BOOL flag) { self->RT_alreadyDestroyed = flag != objc::NO; })
        .instanceMethod("dealloc", dealloc)
        .instanceMethod("finalize", dealloc)
        .instanceMethod(
            "draggingEntered:",
            +[](View* self, SEL, objc::id sender) {
                return detail::GadgetViewDragAnswer(self, sender, true);
            })
        .instanceMethod(
            "draggingUpdated:",
            +[](View* self, SEL, objc::id sender) {
                return detail::GadgetViewDragAnswer(self, sender, false);
            })
        .instanceMethod(
            "prepareForDragOperation:",
            +[](View* self, SEL, objc::id sender) {
                return detail::GadgetViewPrepareDrag(self, sender);
            })
        .instanceMethod(
            "performDragOperation:", +[](View* self, SEL, objc::id sender) {
                return detail::GadgetViewPerformDrag(self, sender, self->RT_tag);
            });
}

// The definition of a gadget view class `name` under the native class `superclass`, with the
// common methods above; a kind adds its own to it.
template <class View>
objc::ClassDefinition GadgetViewClass(const char* name, const char* superclass) {
    objc::ClassDefinition definition(name, superclass, objc::factoryFor<View>());
    AddGadgetViewMethods<View>(definition);
    return definition;
}

} // namespace sondrel::windowing
