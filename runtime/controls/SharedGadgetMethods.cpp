#include "runtime/controls/SharedGadgetMethods.h"

#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

id getTitleText(RTGadgetFunctionsObject* self, SEL) {
    return TitleText(self->mainView());
}

void setTitleText(RTGadgetFunctionsObject* self, SEL, id text) {
    SetTitleText(self->mainView(), text);
}

} // namespace

objc::ClassDefinition& AddTitleTextMethods(objc::ClassDefinition& definition) {
    return definition.instanceMethod("GetGadgetText", &getTitleText)
        .instanceMethod("SetGadgetText:", &setTitleText);
}

id TitleText(id owner) {
    const id title = objc::send<id>(owner, "title"_sel);
    return title != nullptr ? title : objc::autoreleasedNativeString(u"");
}

void SetTitleText(id owner, id text) {
    objc::send<void>(owner, "setTitle:"_sel,
                     text != nullptr ? text : objc::autoreleasedNativeString(u""));
}

id TextOrBackgroundColor(id view, std::int32_t type) {
    if (type == windowing::kGadgetFrontColor)
        return objc::send<id>(view, "textColor"_sel);
    if (type == windowing::kGadgetBackColor)
        return objc::send<id>(view, "backgroundColor"_sel);
    return nullptr;
}

void SetTextOrBackgroundColor(id view, std::int32_t type, id color) {
    if (type == windowing::kGadgetFrontColor)
        objc::send<void>(view, "setTextColor:"_sel, color);
    else if (type == windowing::kGadgetBackColor)
        objc::send<void>(view, "setBackgroundColor:"_sel, color);
}

void SendGadgetEvent(RTGadgetFunctionsObject* functions, std::uint64_t subtype) {
    objc::send<void>(functions, "SendEvent:"_sel, static_cast<std::int64_t>(subtype));
}

void SetInitialText(RTGadgetFunctionsObject* functions, core::TextView text) {
    objc::send<void>(functions, "SetGadgetText:"_sel,
                     objc::autoreleasedNativeString(core::Text(text)));
}

} // namespace sondrel::controls
