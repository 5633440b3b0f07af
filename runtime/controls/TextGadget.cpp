#include "runtime/controls/TextGadget.h"

#include "platform/appkit/NSTextField.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/SystemColors.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

using RT_NSTextField = windowing::GadgetView<appkit::NSTextFieldObject>;

// The text colour the program set last (kept after the gadget is freed, as designed).
class RTTextGadgetFunctions : public RTGadgetFunctionsObject {
public:
    using RTGadgetFunctionsObject::RTGadgetFunctionsObject;
    appkit::Retained<objc::Object> FrontColor;
};

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
    objc::send<void>(self->mainView(), "setTextColor:"_sel, color);
}

id getGadgetColor(RTTextGadgetFunctions* self, SEL, std::int32_t type) {
    return TextOrBackgroundColor(self->mainView(), type);
}

// The program's text colour is kept: enabling the gadget again restores it.
void setGadgetColor(RTTextGadgetFunctions* self, SEL, std::int32_t type, id color) {
    if (type == windowing::kGadgetFrontColor)
        self->FrontColor = appkit::Retained<objc::Object>::retain(color);
    SetTextOrBackgroundColor(self->mainView(), type, color);
}

const objc::ClassRegistration viewRegistration{
    windowing::GadgetViewClass<RT_NSTextField>("RT_NSTextField", "NSTextField")};
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
    GadgetCreation creation(gadget, TextGadgetKind, flags, GadgetFrame(x, y, width, height),
                            "RT_NSTextField", "RTTextGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        SetInitialText(functions, text);
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
