#include "runtime/controls/GadgetTexts.h"

#include <type_traits>

#include "platform/appkit/MainThread.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"

namespace sondrel::controls {
namespace {

using objc::id;

// An argument as it travels in the message: a text as an autoreleased native string.
id messageArgument(core::TextView text) {
    return objc::autoreleasedNativeString(core::Text(text));
}
template <class T> T messageArgument(T value) {
    return value;
}

// Sends the message to the gadget's operations object on the main thread, inside a pool for the
// strings made on the way, and answers what it answers as R: a text read from the native string,
// an object retained to outlive the pool, a number as it is. An unknown gadget answers R().
template <class R, objc::SelectorText Name, class... Args>
R SendToOperations(core::ObjectNumber gadget, objc::SelectorName<Name> selector,
                   const Args&... args) {
    return appkit::onMainThread([&]() -> R {
        objc::AutoreleasePool pool;
        windowing::RT_GadgetStructure* record = FindGadget(gadget);
        if (record == nullptr || record->functions == nullptr)
            return R();
        const id functions = record->functions;
        if constexpr (std::is_void_v<R>)
            objc::send<void>(functions, selector, messageArgument(args)...);
        else if constexpr (std::is_same_v<R, core::Text>)
            return objc::nativeStringText(
                objc::send<id>(functions, selector, messageArgument(args)...));
        else if constexpr (std::is_same_v<R, id>)
            return objc::retain(objc::send<id>(functions, selector, messageArgument(args)...));
        else
            return objc::send<R>(functions, selector, messageArgument(args)...);
    });
}

} // namespace

std::int64_t AddGadgetItem(core::ObjectNumber gadget, std::int32_t position, core::TextView text,
                           id image, std::int32_t flags) {
    return SendToOperations<std::int64_t>(gadget, "AddGadgetItem:text:image:flags:"_sel, position,
                                          text, image, flags);
}

core::Text GetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, std::int32_t column) {
    return SendToOperations<core::Text>(gadget, "GetGadgetItemText:column:"_sel, item, column);
}

core::Text GetGadgetText(core::ObjectNumber gadget) {
    return SendToOperations<core::Text>(gadget, "GetGadgetText"_sel);
}

void SetGadgetItemText(core::ObjectNumber gadget, std::int32_t item, core::TextView text,
                       std::int32_t column) {
    SendToOperations<void>(gadget, "SetGadgetItemText:text:column:"_sel, item, text, column);
}

void SetGadgetText(core::ObjectNumber gadget, core::TextView text) {
    SendToOperations<void>(gadget, "SetGadgetText:"_sel, text);
}

void RemoveGadgetItem(core::ObjectNumber gadget, std::int32_t item) {
    SendToOperations<void>(gadget, "RemoveGadgetItem:"_sel, item);
}

std::int64_t GetGadgetItemData(core::ObjectNumber gadget, std::int32_t item) {
    return SendToOperations<std::int64_t>(gadget, "GetGadgetItemData:"_sel, item);
}

void SetGadgetItemData(core::ObjectNumber gadget, std::int32_t item, std::int64_t value) {
    SendToOperations<void>(gadget, "SetGadgetItemData:value:"_sel, item, value);
}

void SetGadgetItemImage(core::ObjectNumber gadget, std::int32_t item, id image) {
    SendToOperations<void>(gadget, "SetGadgetItemImage:image:"_sel, item, image);
}

std::int64_t GetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute) {
    return SendToOperations<std::int64_t>(gadget, "GetGadgetAttribute:"_sel, attribute);
}

void SetGadgetAttribute(core::ObjectNumber gadget, std::int32_t attribute, std::int64_t value) {
    SendToOperations<void>(gadget, "SetGadgetAttribute:value:"_sel, attribute, value);
}

// The colour and font are given back to the caller's pool, as getters of native objects do.
id GetGadgetColor(core::ObjectNumber gadget, std::int32_t type) {
    return objc::autorelease(SendToOperations<id>(gadget, "GetGadgetColor:"_sel, type));
}

id GetGadgetFont(core::ObjectNumber gadget) {
    return objc::autorelease(SendToOperations<id>(gadget, "GetGadgetFont"_sel));
}

void SetGadgetFont(core::ObjectNumber gadget, id font) {
    SendToOperations<void>(gadget, "SetGadgetFont:"_sel, font);
}

} // namespace sondrel::controls
