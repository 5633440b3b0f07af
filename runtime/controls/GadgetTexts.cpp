#include "runtime/controls/GadgetTexts.h"

#include "platform/appkit/MainThread.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"

namespace sondrel::controls {
namespace {

using objc::id;

// Runs `operation` with the gadget's operations object on the main thread, inside a pool for
// the strings made on the way; `otherwise` for an unknown gadget.
template <class R, class F> R WithFunctions(core::ObjectNumber gadget, R otherwise, F operation) {
    return appkit::onMainThread([&]() -> R {
        objc::AutoreleasePool pool;
        windowing::RT_GadgetStructure* record = FindGadget(gadget);
        if (record == nullptr || record->functions == nullptr)
            return otherwise;
        return operation(static_cast<id>(record->functions));
    });
}

id nativeString(core::TextView text) {
    return objc::autoreleasedNativeString(core::Text(text));
}

} // namespace

std::int64_t AddGadgetItem(core::ObjectNumber gadget, std::int32_t position, core::TextView text,
                           id image, std::int32_t flags) {
    return WithFunctions(gadget, std::int64_t{0}, [&](id functions) {
        return objc::send<std::int64_t>(functions, "AddGadgetItem:text:image:flags:"_sel, position,
                                        nativeString(text), image, flags);
    });
}

core::Text GetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, std::int32_t column) {
    return WithFunctions(gadget, core::Text(), [&](id functions) {
        return objc::nativeStringText(
            objc::send<id>(functions, "GetGadgetItemText:column:"_sel, item, column));
    });
}

core::Text GetGadgetText(core::ObjectNumber gadget) {
    return WithFunctions(gadget, core::Text(), [&](id functions) {
        return objc::nativeStringText(objc::send<id>(functions, "GetGadgetText"_sel));
    });
}

void SetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, core::TextView text,
                       std::int32_t column) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetItemText:text:column:"_sel, item, nativeString(text),
                         column);
        return 0;
    });
}

void SetGadgetText(core::ObjectNumber gadget, core::TextView text) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetText:"_sel, nativeString(text));
        return 0;
    });
}

void RemoveGadgetItem(core::ObjectNumber gadget, std::int32_t item) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "RemoveGadgetItem:"_sel, item);
        return 0;
    });
}

std::int64_t GetGadgetItemData(core::ObjectNumber gadget, std::int32_t item) {
    return WithFunctions(gadget, std::int64_t{0}, [&](id functions) {
        return objc::send<std::int64_t>(functions, "GetGadgetItemData:"_sel, item);
    });
}

void SetGadgetItemData(core::ObjectNumber gadget, std::int32_t item, std::int64_t value) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetItemData:value:"_sel, item, value);
        return 0;
    });
}

void SetGadgetItemImage(core::ObjectNumber gadget, std::int32_t item, id image) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetItemImage:image:"_sel, item, image);
        return 0;
    });
}

std::int64_t GetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute) {
    return WithFunctions(gadget, std::int64_t{0}, [&](id functions) {
        return objc::send<std::int64_t>(functions, "GetGadgetAttribute:"_sel, attribute);
    });
}

void SetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute, std::int64_t value) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetAttribute:value:"_sel, attribute, value);
        return 0;
    });
}

// The colour and font are given back to the caller's pool, as getters of native objects do.
id GetGadgetColor(core::ObjectNumber gadget, std::int32_t type) {
    const id color = WithFunctions(gadget, static_cast<id>(nullptr), [&](id functions) {
        return objc::retain(objc::send<id>(functions, "GetGadgetColor:"_sel, type));
    });
    return objc::autorelease(color);
}

id GetGadgetFont(core::ObjectNumber gadget) {
    const id font = WithFunctions(gadget, static_cast<id>(nullptr), [&](id functions) {
        return objc::retain(objc::send<id>(functions, "GetGadgetFont"_sel));
    });
    return objc::autorelease(font);
}

void SetGadgetFont(core::ObjectNumber gadget, id font) {
    WithFunctions(gadget, 0, [&](id functions) {
        objc::send<void>(functions, "SetGadgetFont:"_sel, font);
        return 0;
    });
}

} // namespace sondrel::controls
