#include "runtime/controls/ButtonGadget.h"

#include "platform/appkit/NSButton.h"
#include "platform/objc/ClassName.h"
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

using RTButtonGadgetView = windowing::GadgetView<appkit::NSButtonObject>;

// Only the way from rounded to square: a button that left the rounded height stays square.
void setFrame(RTButtonGadgetView* self, SEL, objc::NSRect frame) {
    if (frame.size.height != 25 && self->bezelStyle() == appkit::NSBezelStyleRounded)
        self->setBezelStyle(appkit::NSBezelStyleRegularSquare);
    objc::sendSuper<void>("NSButton"_class, self, "setFrame:"_sel, frame);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition =
        windowing::GadgetViewClass<RTButtonGadgetView>("RTButtonGadgetView", "NSButton");
    definition.instanceMethod("setFrame:", &setFrame);
    return definition;
}

objc::ClassDefinition functionsClass() {
    objc::ClassDefinition definition("RTButtonGadgetFunctions", "RTGadgetFunctions");
    AddTitleTextMethods(definition);
    return definition;
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{functionsClass()};

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
    GadgetCreation creation(gadget, ButtonGadgetKind, flags, GadgetFrame(x, y, width, height),
                            "RTButtonGadgetView", "RTButtonGadgetFunctions");
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        SetInitialText(functions, text);
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
