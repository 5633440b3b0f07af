#include "runtime/controls/TextGadget.h"

#include "platform/appkit/NSTextField.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/SystemColors.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

class RT_NSTextField : public appkit::NSTextFieldObject, public windowing::GadgetViewFields {
public:
    using NSTextFieldObject::NSTextFieldObject;
};

// The text colour the program set last (kept after the gadget is freed, as designed).
class RTTextGadgetFunctions : public RTGadgetFunctionsObject {
public:
    using RTGadgetFunctionsObject::RTGadgetFunctionsObject;
    appkit::Retained<objc::Object> FrontColor;
};

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RT_NSTextField", "NSTextField",
                                     objc::factoryFor<RT_NSTextField>());
    windowing::AddGadgetViewMethods<RT_NSTextField>(definition);
    return definition;
}

id mainView(RTGadgetFunctionsObject* self) {
    return self->Gadget != nullptr ? self->Gadget->view : nullptr;
}

std::int64_t getGadgetState(RTTextGadgetFunctions*, SEL) {
    return 0;
}
void setGadgetState(RTTextGadgetFunctions*, SEL, std::int64_t) {}

void disableGadget(RTTextGadgetFunctions* self, SEL, std::int32_t state) {
    id color = nullptr;
    if (state != 0)
        color = appkit::secondarySelectedControlColor();
    else
        color = self->FrontColor ? self->FrontColor.get() : appkit::controlTextColor();
    objc::send<void>(mainView(self), "setTextColor:"_sel, color);
}

id getGadgetColor(RTTextGadgetFunctions* self, SEL, std::int32_t type) {
    if (type == windowing::kGadgetFrontColor)
        return objc::send<id>(mainView(self), "textColor"_sel);
    if (type == windowing::kGadgetBackColor)
        return objc::send<id>(mainView(self), "backgroundColor"_sel);
    return nullptr;
}

void setGadgetColor(RTTextGadgetFunctions* self, SEL, std::int32_t type, id color) {
    if (type == windowing::kGadgetFrontColor) {
        self->FrontColor = appkit::Retained<objc::Object>::retain(color);
        objc::send<void>(mainView(self), "setTextColor:"_sel, color);
    } else if (type == windowing::kGadgetBackColor) {
        objc::send<void>(mainView(self), "setBackgroundColor:"_sel, color);
    }
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTTextGadgetFunctions", "RTGadgetFunctions",
                          objc::factoryFor<RTTextGadgetFunctions>())
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("DisableGadget:", &disableGadget)
        .instanceMethod("GetGadgetColor:", &getGadgetColor)
        .instanceMethod("SetGadgetColor:color:", &setGadgetColor)};

} // namespace

std::int64_t CreateTextGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                              std::int32_t width, std::int32_t height, core::TextView text,
                              std::uint32_t flags) {
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = TextGadgetKind;
    creation.flags = flags;
    creation.frame = GadgetFrame(x, y, width, height);
    creation.viewClass = "RT_NSTextField";
    creation.functionsClass = "RTTextGadgetFunctions";
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        objc::send<void>(functions, "SetGadgetText:"_sel,
                         objc::autoreleasedNativeString(core::Text(text)));
        objc::send<void>(view, "setSelectable:"_sel, objc::NO);
        objc::send<void>(view, "setBezeled:"_sel, objc::NO);
        objc::send<void>(view, "setBackgroundColor:"_sel, appkit::controlColor());
        objc::send<void>(view, "setBordered:"_sel, (flags & TextBorder) ? objc::YES : objc::NO);
        if (flags & TextRight)
            objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{1});
        else if (flags & TextCenter)
            objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{2});
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
