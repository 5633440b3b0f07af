#include "runtime/controls/ButtonGadget.h"

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

class RTButtonGadgetView : public appkit::NSButtonObject, public windowing::GadgetViewFields {
public:
    using NSButtonObject::NSButtonObject;
};

// Only the way from rounded to square: a button that left the rounded height stays square.
void setFrame(RTButtonGadgetView* self, SEL, objc::NSRect frame) {
    if (frame.size.height != 25 && self->bezelStyle() == appkit::NSBezelStyleRounded)
        self->setBezelStyle(appkit::NSBezelStyleRegularSquare);
    objc::sendSuper<void>(objc::lookUpClass("NSButton"), self, "setFrame:"_sel, frame);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RTButtonGadgetView", "NSButton",
                                     objc::factoryFor<RTButtonGadgetView>());
    windowing::AddGadgetViewMethods<RTButtonGadgetView>(definition);
    definition.instanceMethod("setFrame:", &setFrame);
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

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTButtonGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)};

// Text alignment from the flags: left wins over right; none keeps the button's own.
void alignText(id view, std::uint32_t flags) {
    if (flags & ButtonLeft)
        objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{0});
    else if (flags & ButtonRight)
        objc::send<void>(view, "setAlignment:"_sel, objc::NSInteger{1});
}

} // namespace

std::int64_t CreateButtonGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text,
                                std::uint32_t flags) {
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = ButtonGadgetKind;
    creation.flags = flags;
    creation.frame = GadgetFrame(x, y, width, height);
    creation.viewClass = "RTButtonGadgetView";
    creation.functionsClass = "RTButtonGadgetFunctions";
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        objc::send<void>(functions, "SetGadgetText:"_sel,
                         objc::autoreleasedNativeString(core::Text(text)));
        if (flags & ButtonToggle)
            objc::send<void>(view, "setButtonType:"_sel, objc::NSUInteger{1});
        alignText(view, flags);
        objc::send<void>(view, "setBordered:"_sel, objc::YES);
        if (height == 25) {
            objc::send<void>(view, "setBezelStyle:"_sel, objc::NSUInteger{1});
            if (flags & ButtonDefault)
                objc::send<void>(view, "setKeyEquivalent:"_sel,
                                 objc::autoreleasedNativeString(u"\r"));
        } else {
            objc::send<void>(view, "setBezelStyle:"_sel, objc::NSUInteger{2});
        }
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
