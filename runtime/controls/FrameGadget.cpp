#include "runtime/controls/FrameGadget.h"

#include "platform/appkit/NSBox.h"
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

using RT_NSBox = windowing::GadgetView<appkit::NSBoxObject>;

void setGadgetFont(RTGadgetFunctionsObject* self, SEL, id font) {
    objc::send<void>(self->mainView(), "setTitleFont:"_sel, font);
}

id getGadgetFont(RTGadgetFunctionsObject* self, SEL) {
    return objc::send<id>(self->mainView(), "titleFont"_sel);
}

id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    return TitleText(self->mainView());
}

void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    const id box = self->mainView();
    if (objc::nativeStringText(text).empty()) {
        objc::send<void>(box, "setTitlePosition:"_sel, objc::NSUInteger{0});
        return;
    }
    objc::send<void>(box, "setTitlePosition:"_sel, objc::NSUInteger{2});
    objc::send<void>(box, "setTitle:"_sel, text);
}

const objc::ClassRegistration viewRegistration{
    windowing::GadgetViewClass<RT_NSBox>("RT_NSBox", "NSBox")};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTFrameGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("SetGadgetFont:", &setGadgetFont)
        .instanceMethod("GetGadgetFont", &getGadgetFont)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)};

} // namespace

std::int64_t CreateFrameGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                               std::int32_t width, std::int32_t height, core::TextView text,
                               std::uint32_t flags) {
    GadgetCreation creation(gadget, FrameGadgetKind, flags, GadgetFrame(x, y, width, height),
                            "RT_NSBox", "RTFrameGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject*, RTGadgetFunctionsObject* functions) {
        SetInitialText(functions, text);
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
