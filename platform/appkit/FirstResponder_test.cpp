// The keyboard focus as messages give it: makeFirstResponder: and firstResponder of a window.

#include <gtest/gtest.h>

#include <QLineEdit>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

using objc::send;

class FirstResponder : public ::testing::Test {
protected:
    void SetUp() override { NSApplicationObject::shared(); }

    static Retained<NSWindowObject> Window() {
        const id allocated = send<id>(objc::lookUpClass("NSWindow"), "alloc"_sel);
        auto window = Retained<NSWindowObject>::adopt(objc::liveCast<NSWindowObject>(
            send<id>(allocated, "initWithContentRect:styleMask:backing:defer:"_sel,
                     NSRect{{100, 100}, {300, 200}}, NSUInteger{NSWindowStyleMaskTitled},
                     NSUInteger{2}, NO)));
        send<void>(window.get(), "setReleasedWhenClosed:"_sel, NO);
        send<void>(window.get(), "setContentView:"_sel,
                   static_cast<id>(Retained<NSViewObject>::adopt(newView({})).get()));
        return window;
    }
    // A view of `className` in the window's content view.
    static NSViewObject* Add(NSWindowObject* window, const char* className, double y) {
        const id allocated = send<id>(objc::lookUpClass(className), "alloc"_sel);
        auto view = Retained<NSViewObject>::adopt(objc::liveCast<NSViewObject>(
            send<id>(allocated, "initWithFrame:"_sel, NSRect{{10, y}, {200, 24}})));
        window->contentView()->addSubview(view.get());
        return view.get();
    }
    static BOOL Make(NSWindowObject* window, const void* responder) {
        return send<BOOL>(window, "makeFirstResponder:"_sel,
                          static_cast<id>(const_cast<void*>(responder)));
    }
    static id Current(NSWindowObject* window) { return send<id>(window, "firstResponder"_sel); }

    objc::AutoreleasePool m_pool;
};

TEST_F(FirstResponder, AViewThatAcceptsTakesTheFocusOthersAreRefused) {
    Retained<NSWindowObject> window = Window();
    Retained<NSWindowObject> other = Window();
    NSViewObject* first = Add(window.get(), "NSTextField", 10);
    NSViewObject* second = Add(window.get(), "NSTextField", 40);
    NSViewObject* plain = Add(window.get(), "NSView", 70);
    NSViewObject* elsewhere = Add(other.get(), "NSTextField", 10);
    EXPECT_EQ(Current(window.get()), window.get()) << "no view has the focus at first";

    EXPECT_EQ(Make(window.get(), second), YES);
    EXPECT_EQ(Current(window.get()), second);
    EXPECT_EQ(second->widget()->window()->focusWidget(), second->widget());
    EXPECT_EQ(Make(window.get(), first), YES);
    EXPECT_EQ(Current(window.get()), first);

    // A plain view does not accept the focus, nor does a view of another window.
    EXPECT_EQ(Make(window.get(), plain), NO);
    EXPECT_EQ(Make(window.get(), elsewhere), NO);
    EXPECT_EQ(Current(window.get()), first);

    // The window itself, or nil, takes the focus from every view.
    EXPECT_EQ(Make(window.get(), window.get()), YES);
    EXPECT_EQ(Current(window.get()), window.get());
    EXPECT_EQ(Make(window.get(), second), YES);
    EXPECT_EQ(Make(window.get(), nullptr), YES);
    EXPECT_EQ(Current(window.get()), window.get());
    window->close();
    other->close();
}

} // namespace
} // namespace sondrel::appkit
