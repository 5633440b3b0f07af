#include "runtime/controls/CheckBoxGadget.h"

#include "platform/appkit/NSButton.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

using RT_NSButton = windowing::GadgetView<appkit::NSButtonObject>;

// A click never leaves a three-state box mixed: the click that would lands on checked.
void eventHandler(RTGadgetFunctionsObject* self, SEL, id) {
    if ((self->flags() & CheckBoxThreeState) != 0 &&
        objc::send<objc::NSInteger>(self->mainView(), "state"_sel) == -1)
        objc::send<void>(self->mainView(), "setState:"_sel, objc::NSInteger{1});
    SendGadgetEvent(self, GadgetActionEvent);
}

objc::ClassDefinition functionsClass() {
    objc::ClassDefinition definition("RTCheckboxGadgetFunctions", "RTGadgetFunctions");
    AddTitleTextMethods(definition).instanceMethod("EventHandler:", &eventHandler);
    return definition;
}

const objc::ClassRegistration viewRegistration{
    windowing::GadgetViewClass<RT_NSButton>("RT_NSButton", "NSButton")};
const objc::ClassRegistration functionsRegistration{functionsClass()};

} // namespace

std::int64_t CreateCheckBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, core::TextView text,
                                  std::uint32_t flags) {
    GadgetCreation creation(gadget, CheckBoxGadgetKind, flags, GadgetFrame(x, y, width, height),
                            "RT_NSButton", "RTCheckboxGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        SetInitialText(functions, text);
        objc::send<void>(view, "setButtonType:"_sel, objc::NSUInteger{3});
        if (flags & CheckBoxThreeState)
            objc::send<void>(view, "setAllowsMixedState:"_sel, objc::YES);
        if (flags & CheckBoxRight)
            objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{1});
        else if (flags & CheckBoxCenter)
            objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{2});
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
