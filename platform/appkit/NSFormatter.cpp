#include "platform/appkit/NSFormatter.h"

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

PartialVerdict partialStringVerdict(id formatter, const std::u16string& partial,
                                    std::u16string& replacement) {
    const SEL check =
        objc::registerSelector("isPartialStringValid:newEditingString:errorDescription:");
    if (formatter == nullptr || objc::findMethod(formatter, check) == nullptr)
        return PartialVerdict::Accept;
    objc::AutoreleasePool pool;
    id proposed = nullptr;
    id error = nullptr;
    const BOOL valid = objc::send<BOOL>(formatter, check, objc::autoreleasedNativeString(partial),
                                        &proposed, &error);
    if (valid != NO)
        return PartialVerdict::Accept;
    if (proposed != nullptr && objc::liveCast<objc::NSStringObject>(proposed) != nullptr) {
        replacement = objc::nativeStringText(proposed);
        return PartialVerdict::Replace;
    }
    return PartialVerdict::Refuse;
}

namespace {

// The base formatter: strings stand for themselves, and every partial text is fine.
id stringForObjectValue(objc::Object*, SEL, id object) {
    return objc::liveCast<objc::NSStringObject>(object) != nullptr ? object : nullptr;
}

BOOL getObjectValue(objc::Object*, SEL, id* object, id string, id* error) {
    if (object != nullptr)
        *object = string;
    if (error != nullptr)
        *error = nullptr;
    return YES;
}

BOOL isPartialStringValid(objc::Object*, SEL, id, id* newString, id* error) {
    if (newString != nullptr)
        *newString = nullptr;
    if (error != nullptr)
        *error = nullptr;
    return YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSFormatter", "NSObject")
        .instanceMethod("stringForObjectValue:", &stringForObjectValue)
        .instanceMethod("getObjectValue:forString:errorDescription:", &getObjectValue)
        .instanceMethod("isPartialStringValid:newEditingString:errorDescription:",
                        &isPartialStringValid)};

} // namespace
} // namespace sondrel::appkit
