#include "runtime/controls/StringFormatters.h"

#include <algorithm>

#include "platform/appkit/TextCase.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::controls {
namespace {

using objc::BOOL;
using objc::id;
using objc::SEL;
using Formatter = RTMaximumLengthFormatterObject;

void clear(id* newString, id* error) {
    if (newString != nullptr)
        *newString = nullptr;
    if (error != nullptr)
        *error = nullptr;
}

bool fits(const Formatter* self, const std::u16string& text) {
    return text.size() <= static_cast<std::size_t>(std::max(self->maxLength, 0));
}

BOOL lengthOnly(Formatter* self, SEL, id partial, id* newString, id* error) {
    clear(newString, error);
    return fits(self, objc::nativeStringText(partial)) ? objc::YES : objc::NO;
}

// Answers NO with the converted text as the replacement, so the field shows that instead.
BOOL inCase(Formatter* self, id partial, id* newString, id* error, bool upper) {
    clear(newString, error);
    const std::u16string text = objc::nativeStringText(partial);
    if (!fits(self, text))
        return objc::NO;
    if (newString != nullptr)
        *newString = objc::autoreleasedNativeString(upper ? appkit::upperCaseText(text)
                                                          : appkit::lowerCaseText(text));
    return objc::NO;
}

BOOL upperCase(Formatter* self, SEL, id partial, id* newString, id* error) {
    return inCase(self, partial, newString, error, true);
}

BOOL lowerCase(Formatter* self, SEL, id partial, id* newString, id* error) {
    return inCase(self, partial, newString, error, false);
}

BOOL digitsOnly(Formatter* self, SEL, id partial, id* newString, id* error) {
    clear(newString, error);
    const std::u16string text = objc::nativeStringText(partial);
    if (!fits(self, text) || !std::all_of(text.begin(), text.end(), [](char16_t unit) {
            return unit >= u'0' && unit <= u'9';
        }))
        return objc::NO;
    if (newString != nullptr)
        *newString = partial;
    return objc::YES;
}

BOOL getObjectValue(Formatter*, SEL, id* object, id string, id* error) {
    if (object != nullptr)
        *object = string;
    if (error != nullptr)
        *error = nullptr;
    return objc::YES;
}

id stringForObjectValue(Formatter*, SEL, id object) {
    return objc::liveCast<objc::NSStringObject>(object) != nullptr ? object : nullptr;
}

constexpr const char* kPartialCheck = "isPartialStringValid:newEditingString:errorDescription:";

const objc::ClassRegistration maximumLength{
    objc::ClassDefinition("RTMaximumLengthFormatter", "NSFormatter",
                          objc::factoryFor<RTMaximumLengthFormatterObject>())
        .instanceMethod(kPartialCheck, &lengthOnly)
        .instanceMethod("getObjectValue:forString:errorDescription:", &getObjectValue)
        .instanceMethod("stringForObjectValue:", &stringForObjectValue)};
const objc::ClassRegistration upper{
    objc::ClassDefinition("RTUpperCaseFormatter", "RTMaximumLengthFormatter")
        .instanceMethod(kPartialCheck, &upperCase)};
const objc::ClassRegistration lower{
    objc::ClassDefinition("RTLowerCaseFormatter", "RTMaximumLengthFormatter")
        .instanceMethod(kPartialCheck, &lowerCase)};
const objc::ClassRegistration numeric{
    objc::ClassDefinition("RTNumericFormatter", "RTMaximumLengthFormatter")
        .instanceMethod(kPartialCheck, &digitsOnly)};

} // namespace

RTMaximumLengthFormatterObject* MaximumLengthFormatterOf(const void* object) {
    return objc::liveCast<RTMaximumLengthFormatterObject>(object);
}

} // namespace sondrel::controls
