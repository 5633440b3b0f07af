#pragma once

// What every gadget creation does, in order: make the native view (and the container around it),
// make the operations object, set the gadget record up (Gadget.h), let the kind set its text and
// settings, place the container in the calling thread's current gadget view, and give the result
// the creation operations return. For the gadget kinds of this library.

#include <cstdint>
#include <functional>

#include "platform/appkit/NSView.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/windowing/Gadget.h"

namespace sondrel::controls {

struct GadgetCreation {
    GadgetCreation(core::ObjectNumber number, std::int32_t kind, std::uint32_t flags,
                   objc::NSRect frame, const char* viewClass, const char* functionsClass)
        : number(number), kind(kind), flags(flags), frame(frame), viewClass(viewClass),
          functionsClass(functionsClass) {}

    core::ObjectNumber number;
    std::int32_t kind;
    std::uint32_t flags;
    objc::NSRect frame;
    const char* viewClass;
    const char* functionsClass;
    // Initialises the allocated view (initWithFrame: with the frame when not given); returns the
    // view or null when it failed.
    std::function<objc::id(objc::id view)> initialise;
    // Makes the container placed in the window (the view itself when not given).
    std::function<appkit::NSViewObject*(appkit::NSViewObject* view)> container;
    // Sets the kind's text and settings once the record exists.
    std::function<void(appkit::NSViewObject* view, windowing::RTGadgetFunctionsObject* functions)>
        configure;
};

std::int64_t CreateGadget(const GadgetCreation& creation);

// The record of a gadget (main thread), or null.
windowing::RT_GadgetStructure* FindGadget(core::ObjectNumber gadget);

// Posts a gadget event raised by a native view: the window is the one the view is in.
void RaiseViewEvent(const appkit::NSViewObject* view, std::int64_t gadget, std::uint64_t subtype);

// The native rectangle of a creation's coordinates.
objc::NSRect GadgetFrame(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

} // namespace sondrel::controls
