#pragma once

// Test support: a minimal gadget kind (a plain view with the common gadget view behaviour and
// the base operations, counting FreeGadget calls) for testing the gadget core before and apart
// from the real kinds.

#include "platform/appkit/NSView.h"
#include "platform/appkit/Retained.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/GadgetList.h"

namespace sondrel::windowing::testing {

class TestGadgetView : public appkit::NSViewObject, public GadgetViewFields {
public:
    using NSViewObject::NSViewObject;
};

inline int g_freeGadgetCalls = 0;

inline objc::ClassDefinition TestGadgetViewClass() {
    objc::ClassDefinition definition("TestGadgetView", "NSView",
                                     objc::factoryFor<TestGadgetView>());
    AddGadgetViewMethods<TestGadgetView>(definition);
    return definition;
}

inline const objc::ClassRegistration testGadgetViewRegistration{TestGadgetViewClass()};
inline const objc::ClassRegistration testFunctionsRegistration{
    objc::ClassDefinition("TestGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod(
            "FreeGadget", +[](RTGadgetFunctionsObject*, objc::SEL) { ++g_freeGadgetCalls; })};

// Creates a test gadget in the calling thread's current gadget list; with `wrapped` its main
// view sits inside a container view (as an editor's text view sits in a scroll view). Result as
// for the gadget kinds: the number for AnyObjectNumber, else the main view.
inline std::int64_t CreateTestGadget(core::ObjectNumber number, objc::NSRect frame,
                                     bool wrapped = false) {
    auto view = appkit::Retained<appkit::NSViewObject>::adopt(
        appkit::newView(wrapped ? objc::NSRect{{0, 0}, frame.size} : frame, "TestGadgetView"));
    appkit::Retained<appkit::NSViewObject> container = view;
    if (wrapped) {
        container = appkit::Retained<appkit::NSViewObject>::adopt(appkit::newView(frame));
        container->addSubview(view.get());
    }
    auto* functions = static_cast<RTGadgetFunctionsObject*>(
        objc::createInstance(objc::lookUpClass("TestGadgetFunctions")));
    RT_GadgetStructure* record = SetupGadget(functions, number, 30, view.get(), container.get(), 0);
    if (record == nullptr) {
        objc::release(functions);
        return 0;
    }
    if (appkit::NSViewObject* parent = CurrentGadgetView())
        parent->addSubview(container.get());
    return number == core::AnyObjectNumber ? core::ObjectHandle(record)
                                           : reinterpret_cast<std::int64_t>(view.get());
}

} // namespace sondrel::windowing::testing
