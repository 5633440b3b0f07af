#include "platform/appkit/NSWindow.h"

#include <algorithm>

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

// A window delegate that writes down what it is told and answers windowShouldClose: as asked.
class WindowDelegate : public objc::Object {
public:
    using Object::Object;
    std::vector<std::string> told;
    BOOL allowClose = YES;
    BOOL allowZoom = YES;
};

void record(WindowDelegate* self, const char* what) {
    self->told.emplace_back(what);
}

const objc::ClassRegistration delegateRegistration{
    objc::ClassDefinition("WindowTestDelegate", "NSObject", objc::factoryFor<WindowDelegate>())
        .instanceMethod(
            "windowDidBecomeKey:",
            +[](WindowDelegate* self, SEL, id) { record(self, "becomeKey"); })
        .instanceMethod(
            "windowDidResignKey:",
            +[](WindowDelegate* self, SEL, id) { record(self, "resignKey"); })
        .instanceMethod(
            "windowWillClose:", +[](WindowDelegate* self, SEL, id) { record(self, "willClose"); })
        .instanceMethod(
            "windowDidMiniaturize:",
            +[](WindowDelegate* self, SEL, id) { record(self, "miniaturized"); })
        .instanceMethod(
            "windowDidDeminiaturize:",
            +[](WindowDelegate* self, SEL, id) { record(self, "deminiaturized"); })
        .instanceMethod(
            "windowShouldZoom:toFrame:",
            +[](WindowDelegate* self, SEL, id, NSRect) {
                record(self, "shouldZoom");
                return self->allowZoom;
            })
        .instanceMethod(
            "windowShouldClose:", +[](WindowDelegate* self, SEL, id) {
                record(self, "shouldClose");
                return self->allowClose;
            })};

class NSWindowTest : public ::testing::Test {
protected:
    void SetUp() override { NSApplicationObject::shared(); }

    // A window as the main window is made: titled, closable, miniaturizable, fixed in size.
    static Retained<NSWindowObject> MakeWindow(double x, NSUInteger style = 7) {
        auto window = Retained<NSWindowObject>::adopt(
            static_cast<NSWindowObject*>(objc::createInstance(objc::lookUpClass("NSWindow"))));
        EXPECT_TRUE(window->initWithContentRect(NSRect{{x, 300}, {320, 200}}, style));
        window->setReleasedWhenClosed(false);
        return window;
    }
    static Retained<WindowDelegate> MakeDelegate() {
        return Retained<WindowDelegate>::adopt(static_cast<WindowDelegate*>(
            objc::createInstance(objc::lookUpClass("WindowTestDelegate"))));
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    static bool StaysOnTop(const NSWindowObject& window) {
        return window.widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    }
    static double ShownOpacity(const NSWindowObject& window) {
        const QWindow* handle = window.widget()->windowHandle();
        return handle != nullptr ? handle->opacity() : -1;
    }
};

// The application's Sticky Window and Transparent Window settings change one window in either
// order: each keeps what the other set, and the window stays where it is, shown and key.
TEST_F(NSWindowTest, LevelAndOpacityKeepEachOtherAndTheWindowsPlace) {
    Retained<NSWindowObject> window = MakeWindow(100);
    window->makeKeyAndOrderFront();
    Settle();
    const NSRect frame = window->frame();

    window->setAlphaValue(0.6);
    EXPECT_NEAR(window->alphaValue(), 0.6, 0.01);
    EXPECT_NEAR(ShownOpacity(*window), 0.6, 0.01);

    window->setLevel(CGWindowLevelForKey(5));
    Settle();
    EXPECT_EQ(window->level(), NSFloatingWindowLevel);
    EXPECT_TRUE(StaysOnTop(*window));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_NEAR(window->alphaValue(), 0.6, 0.01);
    EXPECT_NEAR(ShownOpacity(*window), 0.6, 0.01) << "the floating window lost its opacity";
    EXPECT_EQ(window->frame().origin.x, frame.origin.x);
    EXPECT_EQ(window->frame().origin.y, frame.origin.y);
    EXPECT_EQ(window->frame().size.width, frame.size.width);
    EXPECT_EQ(window->frame().size.height, frame.size.height);

    window->setAlphaValue(1.0);
    window->setLevel(CGWindowLevelForKey(4));
    window->setAlphaValue(0.3);
    Settle();
    EXPECT_EQ(window->level(), NSNormalWindowLevel);
    EXPECT_FALSE(StaysOnTop(*window));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_NEAR(ShownOpacity(*window), 0.3, 0.01);
    EXPECT_EQ(window->frame().size.width, frame.size.width);

    // Opacity is a fraction; values outside are taken to its ends.
    window->setAlphaValue(1.7);
    EXPECT_DOUBLE_EQ(window->alphaValue(), 1.0);
    window->setAlphaValue(-0.5);
    EXPECT_DOUBLE_EQ(window->alphaValue(), 0.0);
    window->close();
}

TEST_F(NSWindowTest, ALevelChangeShowsNoHiddenWindowAndMovesNoKeyStatus) {
    Retained<NSWindowObject> key = MakeWindow(50);
    Retained<NSWindowObject> other = MakeWindow(450);
    Retained<NSWindowObject> hidden = MakeWindow(250);
    other->orderFront();
    key->makeKeyAndOrderFront();
    Settle();
    ASSERT_TRUE(key->isKeyWindow());

    hidden->setLevel(NSFloatingWindowLevel);
    other->setLevel(NSFloatingWindowLevel);
    Settle();
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_TRUE(StaysOnTop(*hidden)) << "the level is kept for when it shows";
    EXPECT_TRUE(other->isVisible());
    EXPECT_TRUE(key->isKeyWindow());
    EXPECT_FALSE(other->isKeyWindow());

    hidden->orderFront();
    Settle();
    EXPECT_TRUE(StaysOnTop(*hidden));
    EXPECT_TRUE(key->isKeyWindow()) << "a window shown without being made key does not take it";

    // Taking a title-bar button away redoes the window flags too, with the same care.
    key->setStandardButtonHidden(NSWindowMiniaturizeButton, true);
    Settle();
    EXPECT_FALSE(key->widget()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(key->isStandardButtonHidden(NSWindowMiniaturizeButton));
    EXPECT_TRUE(key->isVisible());
    EXPECT_TRUE(key->isKeyWindow());
    key->setStandardButtonHidden(NSWindowMiniaturizeButton, false);
    EXPECT_TRUE(key->widget()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    for (NSWindowObject* window : {key.get(), other.get(), hidden.get()})
        window->close();
}

TEST_F(NSWindowTest, KeyStatusMovesWithNotificationsToTheDelegates) {
    Retained<NSWindowObject> first = MakeWindow(50);
    Retained<NSWindowObject> second = MakeWindow(450);
    Retained<WindowDelegate> firstDelegate = MakeDelegate();
    Retained<WindowDelegate> secondDelegate = MakeDelegate();
    first->setDelegate(firstDelegate.get());
    second->setDelegate(secondDelegate.get());

    first->makeKeyWindow(); // not shown yet: cannot be key
    EXPECT_FALSE(first->isKeyWindow());
    first->makeKeyAndOrderFront();
    Settle();
    second->makeKeyAndOrderFront();
    Settle();
    EXPECT_TRUE(second->isKeyWindow());
    EXPECT_FALSE(first->isKeyWindow());
    EXPECT_EQ(NSApplicationObject::shared()->keyWindow(), second.get());
    EXPECT_EQ(firstDelegate->told, (std::vector<std::string>{"becomeKey", "resignKey"}));
    EXPECT_EQ(secondDelegate->told, (std::vector<std::string>{"becomeKey"}));

    // The close button asks; the window closes only when the delegate agrees.
    secondDelegate->told.clear();
    secondDelegate->allowClose = NO;
    second->performClose();
    EXPECT_FALSE(second->isClosed());
    EXPECT_TRUE(second->isVisible());
    secondDelegate->allowClose = YES;
    second->performClose();
    Settle();
    EXPECT_TRUE(second->isClosed());
    EXPECT_FALSE(second->isVisible());
    EXPECT_FALSE(second->isKeyWindow());
    // A closed window is told nothing after windowWillClose:, not even that it lost key status.
    EXPECT_EQ(secondDelegate->told,
              (std::vector<std::string>{"shouldClose", "shouldClose", "willClose"}));
    second->close(); // again: nothing more
    EXPECT_EQ(secondDelegate->told.size(), 3u);
    // Which window is key next is the program's choice (the runtime gives key status back to
    // the one key before); until then none is.
    EXPECT_EQ(NSApplicationObject::shared()->keyWindow(), nullptr);
    first->makeKeyWindow();
    EXPECT_TRUE(first->isKeyWindow());
    EXPECT_EQ(firstDelegate->told.back(), "becomeKey");
    first->close();
}

// Frames are in screen coordinates from the bottom of the screen, title bar included; a menu bar
// sits inside the window above the content, so adding one grows the window downwards (its top
// stays where the program put it), not the content.
TEST_F(NSWindowTest, AMenuBarGrowsTheWindowAndTheContentKeepsItsSize) {
    Retained<NSWindowObject> window = MakeWindow(100);
    auto view = Retained<NSViewObject>::adopt(
        static_cast<NSViewObject*>(objc::createInstance(objc::lookUpClass("NSView"))));
    window->setContentView(view.get());
    const NSRect content = window->contentRect();
    EXPECT_EQ(content.origin.x, 100);
    EXPECT_EQ(content.origin.y, 300);
    EXPECT_EQ(content.size.width, 320);
    EXPECT_EQ(content.size.height, 200);
    EXPECT_EQ(window->frame().size.height,
              NSWindowObject::frameRectForContentRect(content, 7).size.height)
        << "the frame adds the title bar";
    EXPECT_EQ(window->frame().origin.y, content.origin.y);
    window->makeKeyAndOrderFront();
    Settle();
    const NSRect frame = window->frame(); // where the window manager let it be

    auto menu = Retained<NSMenuObject>::adopt(newMenu(u""));
    auto file = Retained<NSMenuItemObject>::adopt(newMenuItem(u"File", nullptr, u""));
    auto fileMenu = Retained<NSMenuObject>::adopt(newMenu(u"File"));
    file->setSubmenu(fileMenu.get());
    menu->addItem(file.get());
    window->setMenu(menu.get());
    Settle();
    const NSRect withMenu = window->contentRect();
    EXPECT_EQ(withMenu.size.width, 320);
    EXPECT_EQ(withMenu.size.height, 200) << "the content keeps its size";
    const NSRect grown = window->frame();
    EXPECT_GT(grown.size.height, frame.size.height);
    EXPECT_EQ(grown.origin.y + grown.size.height, frame.origin.y + frame.size.height);
    EXPECT_EQ(withMenu.origin.y, grown.origin.y);
    EXPECT_EQ(view->frame().size.height, 200);

    // Moving and resizing by frame: the content follows, less the title and menu bars.
    NSRect moved = window->frame();
    moved.origin.x += 40;
    moved.size.width += 80;
    window->setFrame(moved, true);
    Settle();
    EXPECT_EQ(window->frame().origin.x, moved.origin.x);
    EXPECT_EQ(window->contentRect().size.width, 400);
    EXPECT_EQ(view->frame().size.width, 400);
    window->setMenu(nullptr);
    Settle();
    EXPECT_EQ(window->contentRect().size.height, 200) << "the content keeps its size again";
    window->close();
}

TEST_F(NSWindowTest, ZoomAsksTheDelegateAndMiniaturizingIsTold) {
    Retained<NSWindowObject> window = MakeWindow(100, 15); // resizable
    Retained<WindowDelegate> delegate = MakeDelegate();
    window->setDelegate(delegate.get());
    window->makeKeyAndOrderFront();
    Settle();
    window->miniaturize();
    Settle();
    EXPECT_TRUE(window->isMiniaturized());
    window->deminiaturize();
    Settle();
    EXPECT_FALSE(window->isMiniaturized());
    EXPECT_EQ(std::count(delegate->told.begin(), delegate->told.end(), "miniaturized"), 1);
    EXPECT_EQ(std::count(delegate->told.begin(), delegate->told.end(), "deminiaturized"), 1);

    delegate->allowZoom = NO;
    window->zoom();
    Settle();
    EXPECT_FALSE(window->isZoomed()) << "the delegate refused";
    delegate->allowZoom = YES;
    window->zoom();
    Settle();
    EXPECT_TRUE(window->isZoomed());
    window->zoom();
    Settle();
    EXPECT_FALSE(window->isZoomed());
    EXPECT_EQ(std::count(delegate->told.begin(), delegate->told.end(), "shouldZoom"), 3);
    window->close();
}

TEST_F(NSWindowTest, WindowNumbersNameLiveWindowsOnly) {
    Retained<NSWindowObject> window = MakeWindow(100);
    const NSInteger number = window->windowNumber();
    EXPECT_GT(number, 0);
    EXPECT_EQ(NSWindowObject::windowWithNumber(number), window.get());
    EXPECT_EQ(NSWindowObject::windowOfWidget(window->widget()), window.get());
    Retained<NSWindowObject> other = MakeWindow(200);
    EXPECT_NE(other->windowNumber(), number);
    window.reset(); // deallocated
    EXPECT_EQ(NSWindowObject::windowWithNumber(number), nullptr);
    other->close();
}

} // namespace
} // namespace sondrel::appkit
