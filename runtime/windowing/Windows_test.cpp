#include "runtime/windowing/Windows.h"

#include <cmath>

#include <gtest/gtest.h>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSApplication.h"
#include "platform/objc/Messaging.h"
#include "runtime/windowing/GadgetList.h"
#include "runtime/windowing/WindowRecord.h"
#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::windowing {
namespace {

using appkit::NSWindowObject;
namespace synth = appkit::testing;

class WindowsTest : public testing::WindowingTest {};

TEST(WindowStyle, FlagsGiveTheStyleMask) {
    EXPECT_EQ(WindowStyleMask(0x64), 7u);  // the main window: titled, closable, miniaturizable
    EXPECT_EQ(WindowStyleMask(0x124), 7u); // Help and About
    EXPECT_EQ(WindowStyleMask(0x84), 0u);  // borderless wins
    EXPECT_EQ(WindowStyleMask(0x10), 1u | 2u | 8u); // zoom implies close and resizing
    EXPECT_EQ(WindowStyleMask(0x400), 4u);
    EXPECT_EQ(WindowStyleMask(0x800), 1u);
}

TEST_F(WindowsTest, AbsentPositionCentresOnTheScreen) {
    CreateWindow(0, kAbsentCoordinate, 0, 300, 200, u"Centred", 0x4);
    NSWindowObject* window = WindowHandle(0);
    ASSERT_NE(window, nullptr);
    const objc::NSRect frame = window->frame();
    const objc::NSRect screen = appkit::mainScreenVisibleFrame();
    EXPECT_NEAR(frame.origin.x + frame.size.width / 2, screen.origin.x + screen.size.width / 2, 1);
    EXPECT_NEAR(frame.origin.y + frame.size.height / 2, screen.origin.y + screen.size.height / 2,
                1);
    EXPECT_EQ(window->title(), u"Centred");
}

TEST_F(WindowsTest, PositionIsTopDownFromTheScreenTop) {
    CreateWindow(0, 40, 60, 300, 200, {}, 0x4);
    const objc::NSRect frame = WindowHandle(0)->frame();
    const double screenHeight = appkit::mainScreenFrame().size.height;
    // The offscreen platform nudges shown windows by its 2-pixel frame.
    EXPECT_NEAR(frame.origin.x, 40, 3);
    EXPECT_NEAR(screenHeight - (frame.origin.y + frame.size.height), 60, 3);
    EXPECT_NEAR(WindowHandle(0)->contentRect().size.height, 200, 1);
}

TEST_F(WindowsTest, BorderlessWindowCanStillBecomeKey) {
    CreateWindow(1, 10, 10, 100, 100, u"", 0x84);
    NSWindowObject* window = WindowHandle(1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->styleMask(), 0u);
    EXPECT_EQ(objc::send<objc::BOOL>(window, "canBecomeKeyWindow"_sel), objc::YES);
    EXPECT_TRUE(window->isKeyWindow());
}

TEST_F(WindowsTest, HiddenWindowRemembersItsParentWithoutBeingItsChild) {
    CreateWindow(0, 10, 10, 200, 200, u"Parent", 0x4);
    NSWindowObject* parent = WindowHandle(0);
    CreateWindow(1, 20, 20, 100, 100, u"Child", 0x1 | 0x4, parent);
    NSWindowObject* hidden = WindowHandle(1);
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_EQ(hidden->parentWindow(), nullptr);
    EXPECT_TRUE(parent->childWindows().empty());
    EXPECT_EQ(core::FindObject(WindowRegistry(), 1)->parent, parent);

    CreateWindow(2, 20, 20, 100, 100, u"Shown child", 0x4, parent);
    EXPECT_EQ(WindowHandle(2)->parentWindow(), parent);
}

TEST_F(WindowsTest, CloseButtonOnlyReports) {
    CreateWindow(3, 10, 10, 200, 100, u"Stays", 0x4);
    Pump();
    synth::pressCloseButton(WindowHandle(3));
    const testing::SeenEvent close = WaitFor(CloseWindowEvent);
    EXPECT_EQ(close, (testing::SeenEvent{CloseWindowEvent, 3, 3, 0}));
    ASSERT_NE(WindowHandle(3), nullptr);
    EXPECT_TRUE(WindowHandle(3)->isVisible());
}

TEST_F(WindowsTest, ZoomingLargerPostsMaximizeThenSize) {
    CreateWindow(0, 10, 10, 200, 100, u"Zoom", 0x2 | 0x4);
    Pump();
    WindowHandle(0)->zoom();
    const std::vector<testing::SeenEvent> events = Pump(300);
    std::vector<std::int32_t> kinds;
    for (const auto& event : events) {
        if (event.kind == MaximizeWindowEvent || event.kind == SizeWindowEvent)
            kinds.push_back(event.kind);
    }
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[0], MaximizeWindowEvent);
    EXPECT_EQ(kinds[1], SizeWindowEvent);
    EXPECT_TRUE(WindowHandle(0)->isZoomed());
}

TEST_F(WindowsTest, ClosingTheKeyWindowHandsKeyStatusBack) {
    CreateWindow(0, 10, 10, 200, 100, u"First", 0x4);
    CreateWindow(1, 50, 50, 200, 100, u"Second", 0x4);
    CreateWindow(2, 90, 90, 200, 100, u"Third", 0x4 | WindowNoActivate);
    Pump();
    ASSERT_TRUE(WindowHandle(1)->isKeyWindow());
    CloseWindowObject(1);
    EXPECT_EQ(WindowHandle(1), nullptr);
    EXPECT_TRUE(WindowHandle(0)->isKeyWindow());
    Pump(100);
    EXPECT_TRUE(WindowHandle(0)->isKeyWindow()); // Qt agrees once its events are in
}

TEST_F(WindowsTest, QueuedEventsOfAClosedWindowAreGone) {
    CreateWindow(5, 10, 10, 200, 100, u"Doomed", 0x4);
    Pump();
    QueueEvent(GadgetEvent, 1, 5, 0);
    QueueEvent(GadgetEvent, 2, 6, 0);
    PostAppEvent(GadgetEvent, 5, 3, 0);
    CloseWindowObject(5);
    const std::vector<testing::SeenEvent> events = Pump();
    for (const auto& event : events)
        EXPECT_NE(event.window, 5) << "kind " << event.kind;
    EXPECT_TRUE(Contains(events, GadgetEvent));
}

TEST_F(WindowsTest, FixedNumberInUseClosesTheOldWindow) {
    CreateWindow(0, 10, 10, 200, 100, u"Old", 0x4);
    NSWindowObject* old = WindowHandle(0);
    CreateWindow(0, 10, 10, 200, 100, u"New", 0x4);
    EXPECT_NE(WindowHandle(0), nullptr);
    EXPECT_EQ(WindowHandle(0)->title(), u"New");
    EXPECT_FALSE(objc::isLiveObject(old) && !static_cast<NSWindowObject*>(old)->isClosed());
}

TEST_F(WindowsTest, DynamicNumbersAndNativeWindowsMapBothWays) {
    const std::int64_t number = CreateWindow(core::AnyObjectNumber, 10, 10, 100, 100, u"", 0x4);
    ASSERT_NE(number, 0);
    EXPECT_EQ(number, core::ObjectHandle(core::FindObject(WindowRegistry(), number)));
    EXPECT_EQ(WindowNumberFromNative(WindowHandle(number)), number);
    EXPECT_EQ(WindowNumberFromNative(nullptr), -1);
    const std::int64_t native = CreateWindow(7, 10, 10, 100, 100, u"", 0x4);
    EXPECT_EQ(reinterpret_cast<NSWindowObject*>(native), WindowHandle(7));
    CloseWindowObject(number);
    EXPECT_EQ(WindowHandle(number), nullptr);
    CloseWindowObject(12345); // unknown: nothing
}

TEST_F(WindowsTest, ClicksOnTheContentBecomeEvents) {
    CreateWindow(0, 10, 10, 200, 100, u"Clicks", 0x4);
    Pump();
    synth::clickContent(WindowHandle(0), 20, 20);
    EXPECT_EQ(WaitFor(LeftClickEvent).window, 0);
    synth::clickContent(WindowHandle(0), 20, 20, false, 2);
    EXPECT_EQ(WaitFor(LeftDoubleClickEvent).kind, LeftDoubleClickEvent);
    synth::clickContent(WindowHandle(0), 20, 20, true);
    EXPECT_EQ(WaitFor(RightClickEvent).kind, RightClickEvent);
}

TEST_F(WindowsTest, StickinessIsTheFloatingLevel) {
    CreateWindow(0, 10, 10, 200, 100, u"Sticky", 0x4);
    SetWindowSticky(0, 1);
    EXPECT_EQ(WindowHandle(0)->level(), appkit::CGWindowLevelForKey(5));
    EXPECT_TRUE(WindowHandle(0)->isVisible());
    SetWindowSticky(0, 0);
    EXPECT_EQ(WindowHandle(0)->level(), appkit::CGWindowLevelForKey(4));
    SetWindowSticky(99, 1); // unknown: nothing
}

TEST_F(WindowsTest, GadgetListFollowsCreatedWindowsAndPopStopsAtTheContentView) {
    CreateWindow(0, 10, 10, 200, 100, u"", 0x4);
    EXPECT_EQ(CurrentGadgetWindow(), WindowHandle(0));
    EXPECT_EQ(CurrentGadgetView(), WindowHandle(0)->contentView());
    CreateWindow(1, 10, 10, 200, 100, u"", 0x4 | WindowNoGadgetList);
    EXPECT_EQ(CurrentGadgetWindow(), WindowHandle(0));

    RTGadgetListObject* list = CurrentGadgetList();
    auto box = appkit::Retained<appkit::NSViewObject>::adopt(appkit::newView({{0, 0}, {10, 10}}));
    list->push(box.get());
    EXPECT_EQ(CurrentGadgetView(), box.get());
    list->pop();
    list->pop(); // on an empty stack: stays at the content view
    EXPECT_EQ(list->StackIndex, 0);
    EXPECT_EQ(CurrentGadgetView(), WindowHandle(0)->contentView());
    for (int i = 0; i < 12; ++i) // past the first ten slots
        list->push(box.get());
    EXPECT_EQ(list->StackIndex, 12);

    CloseWindowObject(0);
    EXPECT_EQ(CurrentGadgetList(), nullptr);
}

TEST_F(WindowsTest, MiniaturizingAndRestoringPostTheirEvents) {
    CreateWindow(0, 10, 10, 200, 100, u"Minimise", 0x24);
    Pump();
    WindowHandle(0)->miniaturize();
    EXPECT_EQ(WaitFor(MinimizeWindowEvent).window, 0);
    EXPECT_TRUE(WindowHandle(0)->isMiniaturized());
    WindowHandle(0)->deminiaturize();
    EXPECT_EQ(WaitFor(RestoreWindowEvent).window, 0); // not resizable: restored, not maximized
    EXPECT_FALSE(WindowHandle(0)->isMiniaturized());

    CreateWindow(1, 10, 10, 200, 100, u"Starts small", 0x400 | 0x200 | 0x4);
    Pump(100);
    EXPECT_TRUE(WindowHandle(1)->isMiniaturized()); // minimising wins over zooming
}

TEST_F(WindowsTest, TitleBarButtonsCanBeTakenAwayAndOpacityChanged) {
    CreateWindow(0, 10, 10, 200, 100, u"Buttons", 0x64);
    appkit::NSWindowObject* window = WindowHandle(0);
    const objc::id zoom =
        objc::send<objc::id>(window, "standardWindowButton:"_sel, objc::NSUInteger{2});
    ASSERT_NE(zoom, nullptr);
    objc::send<void>(zoom, "setHidden:"_sel, objc::BOOL{1});
    EXPECT_TRUE(window->isStandardButtonHidden(appkit::NSWindowZoomButton));
    EXPECT_FALSE(window->isStandardButtonHidden(appkit::NSWindowMiniaturizeButton));
    EXPECT_TRUE(window->isVisible()); // changing the title bar keeps the window shown

    objc::send<void>(window, "setAlphaValue:"_sel, 0.75);
    EXPECT_NEAR(window->alphaValue(), 0.75, 0.01);
}

TEST_F(WindowsTest, ParentCentredWindowsShareTheParentsCentre) {
    CreateWindow(0, 100, 100, 400, 300, u"Parent", 0x4);
    CreateWindow(1, 0, 0, 200, 100, u"Over it", 0x100 | 0x4, WindowHandle(0));
    const objc::NSRect parent = WindowHandle(0)->frame();
    const objc::NSRect child = WindowHandle(1)->frame();
    EXPECT_NEAR(child.origin.x + child.size.width / 2, parent.origin.x + parent.size.width / 2, 1);
    EXPECT_NEAR(child.origin.y + child.size.height / 2, parent.origin.y + parent.size.height / 2,
                1);
    EXPECT_EQ(WindowHandle(1)->parentWindow(), WindowHandle(0));
    CloseWindowObject(1);
    EXPECT_TRUE(WindowHandle(0)->childWindows().empty());
}

} // namespace
} // namespace sondrel::windowing
