#pragma once

// RTGadgetList: per window, the stack of container views that new gadgets are placed in.
//
// Each thread has its own set of gadget lists (one per window) and its own current list, which
// CreateWindow sets for the thread that calls it; gadgets created on a thread go into the top
// view of that thread's current list.

#include <cstdint>
#include <vector>

#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"

namespace sondrel::windowing {

class RTGadgetListObject : public objc::Object {
public:
    using Object::Object;

    appkit::NSWindowObject* TopWindow = nullptr; // borrowed: the list goes with its window
    appkit::Retained<appkit::NSViewObject> TopView;
    std::vector<appkit::Retained<appkit::NSViewObject>> Views;
    std::int32_t StackSize = 0;
    std::int32_t StackIndex = 0;

    void initWithWindow(appkit::NSWindowObject* window);
    void push(appkit::NSViewObject* view);
    void set(appkit::NSViewObject* view);
    void pop();
};

// The calling thread's current list, its top view and its window (null without a list).
RTGadgetListObject* CurrentGadgetList();
appkit::NSViewObject* CurrentGadgetView();
appkit::NSWindowObject* CurrentGadgetWindow();
// Makes the window's list current on the calling thread (creating it if needed); returns the
// window of the list that was current before.
appkit::NSWindowObject* SetGadgetListWindow(appkit::NSWindowObject* window);
// Drops the window's list from the calling thread's set.
void RemoveGadgetListWindow(appkit::NSWindowObject* window);

} // namespace sondrel::windowing
