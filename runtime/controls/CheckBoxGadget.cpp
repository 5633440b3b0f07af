#include "runtime/controls/CheckBoxGadget.h"

#include "platform/appkit/NSButton.h"
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

class RT_NSButton : public appkit::NSButtonObject, public windowing::GadgetViewFields {
public:
    using NSButtonObject::NSButtonObject;
};

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RT_NSButton", "NSButton", objc::factoryFor<RT_NSButton>());
    windowing::AddGadgetViewMethods<RT_NSButton>(definition);
    return definition;
}

id mainView(RTGadgetFunctionsObject* self) {
    return self->Gadget != nullptr ? self->Gadget->view : nullptr;
}

id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    const id title = objc::send<id>(mainView(self), "title"_sel);
    return title != nullptr ? title : objc::autoreleasedNativeString(u"");
}

void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    objc::send<void>(mainView(self), "setTitle:"_sel,
                     text != nullptr ? text : objc::autoreleasedNativeString(u""));
}

// A click never leaves a three-state box mixed: the click that would lands on checked.
void eventHandler(RTGadgetFunctionsObject* self, SEL, id) {
    if (self->Gadget != nullptr && (self->Gadget->flags & CheckBoxThreeState) != 0 &&
        objc::send<objc::NSInteger>(mainView(self), "state"_sel) == -1)
        objc::send<void>(mainView(self), "setState:"_sel, objc::NSInteger{1});
    objc::send<void>(self, "SendEvent:"_sel, std::int64_t{GadgetActionEvent});
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTCheckboxGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("EventHandler:", &eventHandler)};

} // namespace

std::int64_t CreateCheckBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, core::TextView text,
                                  std::uint32_t flags) {
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = CheckBoxGadgetKind;
    creation.flags = flags;
    creation.frame = GadgetFrame(x, y, width, height);
    creation.viewClass = "RT_NSButton";
    creation.functionsClass = "RTCheckboxGadgetFunctions";
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        objc::send<void>(functions, "SetGadgetText:"_sel,
                         objc::autoreleasedNativeString(core::Text(text)));
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
