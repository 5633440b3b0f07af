#include "runtime/controls/OptionGadget.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/appkit/NSCell.h"
#include "platform/appkit/NSMatrix.h"
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

using RTMatrix = windowing::GadgetView<appkit::NSMatrixObject>;

// The views of one option group. Not retained: each option leaves its group when its gadget
// record is released, before its view goes.
struct OptionGroup {
    std::vector<appkit::NSViewObject*> views;
};

class RTOptionGadgetFunctions : public RTGadgetFunctionsObject {
public:
    using RTGadgetFunctionsObject::RTGadgetFunctionsObject;
    std::shared_ptr<OptionGroup> OptionArray;
};

// The group new options join; creating a gadget of another kind ends it. Used on the thread
// that creates gadgets (the main thread), without a lock.
std::shared_ptr<OptionGroup> g_currentGroup;

id firstCell(RTGadgetFunctionsObject* self) {
    return objc::send<id>(self->mainView(), "cellAtRow:column:"_sel, objc::NSInteger{0},
                          objc::NSInteger{0});
}

id getGadgetText(RTOptionGadgetFunctions* self, SEL) {
    return TitleText(firstCell(self));
}

void setGadgetText(RTOptionGadgetFunctions* self, SEL, id text) {
    SetTitleText(firstCell(self), text);
}

void setGadgetState(RTOptionGadgetFunctions* self, SEL, std::int64_t state) {
    const id own = self->mainView();
    if (self->OptionArray) {
        const std::vector<appkit::NSViewObject*> views = self->OptionArray->views;
        for (appkit::NSViewObject* view : views) {
            if (view != own)
                objc::send<void>(view, "setIntValue:"_sel, 0);
        }
    }
    objc::send<void>(own, "setIntValue:"_sel, static_cast<int>(state));
}

void eventHandler(RTOptionGadgetFunctions* self, SEL, id) {
    SendGadgetEvent(self, GadgetActionEvent);
    objc::send<void>(self, "SetGadgetState:"_sel, std::int64_t{1});
}

void freeGadget(RTOptionGadgetFunctions* self, SEL) {
    if (self->OptionArray)
        std::erase(self->OptionArray->views, self->mainView());
    self->OptionArray.reset();
}

const objc::ClassRegistration viewRegistration{
    windowing::GadgetViewClass<RTMatrix>("RTMatrix", "NSMatrix")};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTOptionGadgetFunctions", "RTGadgetFunctions",
                          objc::factoryFor<RTOptionGadgetFunctions>())
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("EventHandler:", &eventHandler)
        .instanceMethod("FreeGadget", &freeGadget)};

} // namespace

void EndOptionGroup() {
    g_currentGroup.reset();
}

std::int64_t CreateOptionGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, core::TextView text) {
    GadgetCreation creation(gadget, OptionGadgetKind, 0, GadgetFrame(x, y, width, height),
                            "RTMatrix", "RTOptionGadgetFunctions");
    creation.initialise = [&](id matrix) -> id {
        appkit::Retained<appkit::NSCellObject> prototype =
            appkit::Retained<appkit::NSCellObject>::adopt(
                appkit::newButtonCell(u"", 4)); // a radio button cell
        if (!prototype) {
            objc::release(matrix);
            return nullptr;
        }
        return objc::send<id>(matrix,
                              "initWithFrame:mode:prototype:numberOfRows:numberOfColumns:"_sel,
                              creation.frame, objc::NSInteger{0}, static_cast<id>(prototype.get()),
                              objc::NSInteger{1}, objc::NSInteger{1});
    };
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* base) {
        auto* functions = static_cast<RTOptionGadgetFunctions*>(base);
        objc::send<void>(view, "setAutosizesCells:"_sel, objc::YES);
        SetInitialText(functions, text);
        if (!g_currentGroup)
            g_currentGroup = std::make_shared<OptionGroup>();
        objc::send<void>(view, "setIntValue:"_sel, 0);
        functions->OptionArray = g_currentGroup;
        g_currentGroup->views.push_back(view);
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
