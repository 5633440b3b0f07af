#include "runtime/controls/StringGadget.h"

#include <algorithm>
#include <limits>

#include "platform/appkit/NSSecureTextField.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkit/TextCase.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"
#include "runtime/controls/StringFormatters.h"

namespace sondrel::controls {
namespace {

using objc::BOOL;
using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

using RTStringGadgetTextField = windowing::GadgetView<appkit::NSTextFieldObject>;
using RTSecureTextField = windowing::GadgetView<appkit::NSSecureTextFieldObject>;

// The field's own events: focus taken, and editing ended other than by Return or Enter.
template <class Field> BOOL becomeFirstResponder(Field* self, SEL) {
    RaiseViewEvent(self, self->RT_tag, GadgetFocusEvent);
    return objc::sendSuper<BOOL>("NSTextField"_class, self, "becomeFirstResponder"_sel);
}

template <class Field> void textDidEndEditing(Field* self, SEL, id notification) {
    if (!self->endedByReturn())
        RaiseViewEvent(self, self->RT_tag, GadgetLostFocusEvent);
    objc::sendSuper<void>("NSTextField"_class, self, "textDidEndEditing:"_sel, notification);
}

template <class Field> objc::ClassDefinition fieldClass(const char* name, const char* superclass) {
    objc::ClassDefinition definition = windowing::GadgetViewClass<Field>(name, superclass);
    definition.instanceMethod("becomeFirstResponder", &becomeFirstResponder<Field>)
        .instanceMethod("textDidEndEditing:", &textDidEndEditing<Field>);
    return definition;
}

// RTSecureTextField continues from NSSecureTextField, whose superclass has the methods above.
const objc::ClassRegistration stringFieldRegistration{
    fieldClass<RTStringGadgetTextField>("RTStringGadgetTextField", "NSTextField")};
const objc::ClassRegistration secureFieldRegistration{
    fieldClass<RTSecureTextField>("RTSecureTextField", "NSSecureTextField")};

void controlTextDidChange(RTGadgetFunctionsObject* self, SEL, id) {
    SendGadgetEvent(self, GadgetChangeEvent);
}

RTMaximumLengthFormatterObject* formatterOf(RTGadgetFunctionsObject* self) {
    return MaximumLengthFormatterOf(objc::send<id>(self->mainView(), "formatter"_sel));
}

std::int64_t getGadgetAttribute(RTGadgetFunctionsObject* self, SEL, std::int32_t attribute) {
    RTMaximumLengthFormatterObject* formatter = formatterOf(self);
    return attribute == 1 && formatter != nullptr ? formatter->maxLength : 0;
}

void setGadgetAttribute(RTGadgetFunctionsObject* self, SEL, std::int32_t attribute,
                        std::int64_t value) {
    RTMaximumLengthFormatterObject* formatter = formatterOf(self);
    if (attribute == 1 && formatter != nullptr)
        formatter->maxLength = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

// The case flags apply to text set by the program too, with the precedence the formatter has
// (upper case wins over lower case).
void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    std::u16string value = objc::nativeStringText(text);
    const std::uint32_t flags = self->flags();
    if (flags & StringUpperCase)
        value = appkit::upperCaseText(value);
    else if (flags & StringLowerCase)
        value = appkit::lowerCaseText(value);
    objc::send<void>(self->mainView(), "setStringValue:"_sel,
                     objc::autoreleasedNativeString(value));
}

id getGadgetColor(RTGadgetFunctionsObject* self, SEL, std::int32_t type) {
    return TextOrBackgroundColor(self->mainView(), type);
}

void setGadgetColor(RTGadgetFunctionsObject* self, SEL, std::int32_t type, id color) {
    SetTextOrBackgroundColor(self->mainView(), type, color);
}

// Return in a field is not a gadget event here (the end of editing is reported instead).
void eventHandler(RTGadgetFunctionsObject*, SEL, id) {}

const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTStringGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("controlTextDidChange:", &controlTextDidChange)
        .instanceMethod("GetGadgetAttribute:", &getGadgetAttribute)
        .instanceMethod("SetGadgetAttribute:value:", &setGadgetAttribute)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("GetGadgetColor:", &getGadgetColor)
        .instanceMethod("SetGadgetColor:color:", &setGadgetColor)
        .instanceMethod("EventHandler:", &eventHandler)};

const char* formatterClass(std::uint32_t flags) {
    if (flags & StringNumeric)
        return "RTNumericFormatter";
    if (flags & StringUpperCase)
        return "RTUpperCaseFormatter";
    if (flags & StringLowerCase)
        return "RTLowerCaseFormatter";
    return "RTMaximumLengthFormatter";
}

} // namespace

std::int64_t CreateStringGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text,
                                std::uint32_t flags) {
    GadgetCreation creation(gadget, StringGadgetKind, flags, GadgetFrame(x, y, width, height),
                            (flags & StringPassword) ? "RTSecureTextField"
                                                     : "RTStringGadgetTextField",
                            "RTStringGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        if (flags & StringReadOnly) {
            objc::send<void>(view, "setEditable:"_sel, objc::NO);
            objc::send<void>(view, "setSelectable:"_sel, objc::YES);
        }
        // Borderless means no frame at all: neither the bezel nor the plain border.
        if (flags & StringBorderless) {
            objc::send<void>(view, "setBordered:"_sel, objc::NO);
            objc::send<void>(view, "setBezeled:"_sel, objc::NO);
        }
        const id formatter = objc::send<id>(
            objc::send<id>(objc::lookUpClass(formatterClass(flags)), "alloc"_sel), "init"_sel);
        objc::send<void>(view, "setFormatter:"_sel, formatter);
        objc::release(formatter);
        objc::send<void>(view, "setDelegate:"_sel, static_cast<id>(functions));
        SetInitialText(functions, text);
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
