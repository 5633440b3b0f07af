#include "runtime/controls/FrameGadget.h"

#include "platform/appkit/NSBox.h"
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

class RT_NSBox : public appkit::NSBoxObject, public windowing::GadgetViewFields {
public:
    using NSBoxObject::NSBoxObject;
};

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RT_NSBox", "NSBox", objc::factoryFor<RT_NSBox>());
    windowing::AddGadgetViewMethods<RT_NSBox>(definition);
    return definition;
}

id mainView(RTGadgetFunctionsObject* self) {
    return self->Gadget != nullptr ? self->Gadget->view : nullptr;
}

void setGadgetFont(RTGadgetFunctionsObject* self, SEL, id font) {
    objc::send<void>(mainView(self), "setTitleFont:"_sel, font);
}

id getGadgetFont(RTGadgetFunctionsObject* self, SEL) {
    return objc::send<id>(mainView(self), "titleFont"_sel);
}

id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    const id title = objc::send<id>(mainView(self), "title"_sel);
    return title != nullptr ? title : objc::autoreleasedNativeString(u"");
}

void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    if (objc::nativeStringText(text).empty()) {
        objc::send<void>(mainView(self), "setTitlePosition:"_sel, objc::NSUInteger{0});
        return;
    }
    objc::send<void>(mainView(self), "setTitlePosition:"_sel, objc::NSUInteger{2});
    objc::send<void>(mainView(self), "setTitle:"_sel, text);
}

const objc::ClassRegistration viewRegistration{viewClass()};
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
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = FrameGadgetKind;
    creation.flags = flags;
    creation.frame = GadgetFrame(x, y, width, height);
    creation.viewClass = "RT_NSBox";
    creation.functionsClass = "RTFrameGadgetFunctions";
    creation.configure = [&](appkit::NSViewObject*, RTGadgetFunctionsObject* functions) {
        objc::send<void>(functions, "SetGadgetText:"_sel,
                         objc::autoreleasedNativeString(core::Text(text)));
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
