#include "runtime/windowing/GadgetList.h"

#include <algorithm>

#include "runtime/core/ThreadSlot.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::windowing {
namespace {

using appkit::NSViewObject;
using appkit::NSWindowObject;
using appkit::Retained;
using objc::id;
using objc::SEL;

constexpr std::int32_t kStackGrowth = 10;

struct GadgetListState {
    RTGadgetListObject* current = nullptr; // not owned
    std::vector<Retained<RTGadgetListObject>> lists;
};

GadgetListState* ThreadState() {
    static core::PerThread<GadgetListState> state;
    return state.get();
}

RTGadgetListObject* ListFromWindow(GadgetListState& state, const NSWindowObject* window) {
    for (const auto& list : state.lists) {
        if (list->TopWindow == window)
            return list.get();
    }
    return nullptr;
}

} // namespace

void RTGadgetListObject::initWithWindow(NSWindowObject* window) {
    TopWindow = window;
    if (window != nullptr && window->contentView() == nullptr) {
        auto view = Retained<NSViewObject>::adopt(
            appkit::newView(window->contentRect(), "RT_NSFlippedView"));
        window->setContentView(view.get());
    }
    TopView = Retained<NSViewObject>::retain(window != nullptr ? window->contentView() : nullptr);
    Views.assign(kStackGrowth, Retained<NSViewObject>());
    StackSize = kStackGrowth;
    StackIndex = 0;
}

void RTGadgetListObject::push(NSViewObject* view) {
    if (StackIndex >= StackSize) {
        StackSize += kStackGrowth;
        Views.resize(static_cast<std::size_t>(StackSize));
    }
    Views[static_cast<std::size_t>(StackIndex++)] = TopView;
    TopView = Retained<NSViewObject>::retain(view);
}

void RTGadgetListObject::set(NSViewObject* view) {
    TopView = Retained<NSViewObject>::retain(view);
}

void RTGadgetListObject::pop() {
    if (StackIndex <= 0) {
        StackIndex = 0;
        TopView = Retained<NSViewObject>::retain(TopWindow != nullptr ? TopWindow->contentView()
                                                                      : nullptr);
        return;
    }
    --StackIndex;
    TopView = std::move(Views[static_cast<std::size_t>(StackIndex)]);
    Views[static_cast<std::size_t>(StackIndex)] = Retained<NSViewObject>();
}

RTGadgetListObject* CurrentGadgetList() {
    GadgetListState* state = ThreadState();
    return state != nullptr ? state->current : nullptr;
}

NSViewObject* CurrentGadgetView() {
    RTGadgetListObject* list = CurrentGadgetList();
    return list != nullptr ? list->TopView.get() : nullptr;
}

NSWindowObject* CurrentGadgetWindow() {
    RTGadgetListObject* list = CurrentGadgetList();
    return list != nullptr ? list->TopWindow : nullptr;
}

NSWindowObject* SetGadgetListWindow(NSWindowObject* window) {
    GadgetListState* state = ThreadState();
    if (state == nullptr || window == nullptr)
        return nullptr;
    NSWindowObject* previous = state->current != nullptr ? state->current->TopWindow : nullptr;
    RTGadgetListObject* list = ListFromWindow(*state, window);
    if (list == nullptr) {
        auto made = Retained<RTGadgetListObject>::adopt(
            static_cast<RTGadgetListObject*>(objc::createInstance("RTGadgetList"_class)));
        if (!made)
            return previous;
        made->initWithWindow(window);
        list = made.get();
        state->lists.push_back(std::move(made));
    }
    state->current = list;
    return previous;
}

void RemoveGadgetListWindow(NSWindowObject* window) {
    GadgetListState* state = ThreadState();
    if (state == nullptr)
        return;
    RTGadgetListObject* list = ListFromWindow(*state, window);
    if (list == nullptr)
        return;
    if (state->current == list)
        state->current = nullptr;
    std::erase_if(state->lists, [&](const auto& held) { return held.get() == list; });
}

namespace {

void pop(RTGadgetListObject* self, SEL) {
    self->pop();
}
void set(RTGadgetListObject* self, SEL, id view) {
    self->set(objc::liveCast<NSViewObject>(view));
}
void pushNoView(RTGadgetListObject* self, SEL) {
    self->push(nullptr);
}
void push(RTGadgetListObject* self, SEL, id view) {
    self->push(objc::liveCast<NSViewObject>(view));
}
std::int32_t stackIndex(RTGadgetListObject* self, SEL) {
    return self->StackIndex;
}
id top(RTGadgetListObject* self, SEL) {
    return self->TopView.get();
}
id window(RTGadgetListObject* self, SEL) {
    return self->TopWindow;
}
id initWithWindow(RTGadgetListObject* self, SEL, id window) {
    self->initWithWindow(objc::liveCast<NSWindowObject>(window));
    return self;
}
void removeWindow(objc::Class, SEL, id window) {
    RemoveGadgetListWindow(objc::liveCast<NSWindowObject>(window));
}
id setWindow(objc::Class, SEL, id window) {
    return SetGadgetListWindow(objc::liveCast<NSWindowObject>(window));
}
id listFromWindow(objc::Class, SEL, id window) {
    GadgetListState* state = ThreadState();
    if (state == nullptr)
        return nullptr;
    for (const auto& list : state->lists) {
        if (list->TopWindow == window ||
            objc::send<objc::BOOL>(list->TopWindow, "isEqual:"_sel, window) != objc::NO)
            return list.get();
    }
    return nullptr;
}
id currentWindow(objc::Class, SEL) {
    return CurrentGadgetWindow();
}
id currentView(objc::Class, SEL) {
    return CurrentGadgetView();
}
id currentList(objc::Class, SEL) {
    return CurrentGadgetList();
}

// The flipped view class is here too: it is what a gadget list makes for a window without a
// content view, and the base of every window's content view.
objc::BOOL isFlipped(NSViewObject*, SEL) {
    return objc::YES;
}

const objc::ClassRegistration flippedViewRegistration{
    objc::ClassDefinition("RT_NSFlippedView", "NSView", objc::factoryFor<NSViewObject>())
        .instanceMethod("isFlipped", &isFlipped)};

const objc::ClassRegistration registration{
    objc::ClassDefinition("RTGadgetList", "NSObject", objc::factoryFor<RTGadgetListObject>())
        .instanceMethod("pop", &pop)
        .instanceMethod("set:", &set)
        .instanceMethod("pushNoView", &pushNoView)
        .instanceMethod("push:", &push)
        .instanceMethod("stackIndex", &stackIndex)
        .instanceMethod("top", &top)
        .instanceMethod("window", &window)
        .instanceMethod("initWithWindow:", &initWithWindow)
        .classMethod("removeWindow:", &removeWindow)
        .classMethod("setWindow:", &setWindow)
        .classMethod("listFromWindow:", &listFromWindow)
        .classMethod("currentWindow", &currentWindow)
        .classMethod("currentView", &currentView)
        .classMethod("currentList", &currentList)};

} // namespace
} // namespace sondrel::windowing
