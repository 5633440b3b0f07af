#include "runtime/windowing/Gadget.h"

#include <thread>

#include <gtest/gtest.h>

#include "runtime/windowing/GadgetTesting.h"
#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::windowing {
namespace {

using testing::CreateTestGadget;
using testing::SeenEvent;

class GadgetTest : public testing::WindowingTest {
protected:
    void SetUp() override {
        WindowingTest::SetUp();
        CreateWindow(0, 10, 10, 300, 200, u"Gadgets", 0x4);
        testing::g_freeGadgetCalls = 0;
    }
};

TEST_F(GadgetTest, HidingHidesTheContainerAndHandleGivesTheMainView) {
    const std::int64_t view = CreateTestGadget(4, {{10, 10}, {100, 50}}, true);
    appkit::NSViewObject* main = GadgetHandle(4);
    ASSERT_EQ(reinterpret_cast<std::int64_t>(main), view);
    appkit::NSViewObject* container = main->superview();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->superview(), WindowHandle(0)->contentView());

    HideGadget(4, 2); // any non-zero value hides
    EXPECT_TRUE(container->isHidden());
    EXPECT_FALSE(main->isHidden());
    HideGadget(4, 0);
    EXPECT_FALSE(container->isHidden());

    FreeGadgetObject(4); // removes the container, with the main view inside
    EXPECT_EQ(GadgetHandle(4), nullptr);
    EXPECT_TRUE(WindowHandle(0)->contentView()->subviews().empty());
    EXPECT_EQ(testing::g_freeGadgetCalls, 1);
}

TEST_F(GadgetTest, BaseOperationsOfAViewThatIsNotAControl) {
    CreateTestGadget(1, {{0, 0}, {20, 20}});
    EXPECT_EQ(GetGadgetState(1), 0);
    SetGadgetState(1, 5);
    EXPECT_EQ(GetGadgetState(1), 0);
    EXPECT_EQ(CountGadgetItems(1), 0);
    ClearGadgetItems(1);
    DisableGadget(1, 1);
    SetGadgetColor(1, kGadgetBackColor, -1);
    SetGadgetColor(1, kGadgetBackColor, 0x00FF00);
    // Unknown numbers do nothing and give 0.
    EXPECT_EQ(GetGadgetState(77), 0);
    EXPECT_EQ(GadgetHandle(77), nullptr);
    HideGadget(77, 1);
    FreeGadgetObject(77);
}

TEST_F(GadgetTest, ActivityBecomesGadgetEventsOfTheGadgetsWindow) {
    CreateTestGadget(3, {{0, 0}, {20, 20}});
    const RT_GadgetStructure* record = core::FindObject(GadgetRegistry(), 3);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->window, 0);
    objc::send<void>(record->functions, "EventHandler:"_sel, static_cast<objc::id>(nullptr));
    objc::send<void>(record->functions, "SendEvent:"_sel, std::int64_t{768});
    std::vector<SeenEvent> events;
    for (const SeenEvent& event : Pump()) {
        if (event.kind == GadgetEvent)
            events.push_back(event);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], (SeenEvent{GadgetEvent, 3, 0, 0}));
    EXPECT_EQ(events[1], (SeenEvent{GadgetEvent, 3, 0, 768}));
}

TEST_F(GadgetTest, NumberInUseRemovesThePreviousGadget) {
    const std::int64_t first = CreateTestGadget(2, {{0, 0}, {20, 20}});
    const std::int64_t second = CreateTestGadget(2, {{30, 0}, {20, 20}});
    EXPECT_NE(first, second);
    EXPECT_FALSE(objc::isLiveObject(reinterpret_cast<void*>(first)));
    EXPECT_EQ(reinterpret_cast<std::int64_t>(GadgetHandle(2)), second);
    EXPECT_EQ(WindowHandle(0)->contentView()->subviews().size(), 1u);
    EXPECT_EQ(testing::g_freeGadgetCalls, 1);
}

TEST_F(GadgetTest, ClosingTheWindowReleasesEveryRecordOnce) {
    CreateTestGadget(0, {{0, 0}, {20, 20}});
    CreateTestGadget(1, {{0, 30}, {20, 20}}, true);
    CloseWindowObject(0);
    Pump();
    EXPECT_EQ(GadgetHandle(0), nullptr);
    EXPECT_EQ(GadgetHandle(1), nullptr);
    EXPECT_EQ(testing::g_freeGadgetCalls, 2);
}

TEST_F(GadgetTest, DynamicGadgetNumberIsItsRecordAndItsTag) {
    const std::int64_t number = CreateTestGadget(core::AnyObjectNumber, {{0, 0}, {20, 20}});
    ASSERT_NE(number, 0);
    const RT_GadgetStructure* record = core::FindObject(GadgetRegistry(), number);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(number, core::ObjectHandle(record));
    EXPECT_EQ(objc::send<std::int64_t>(GadgetHandle(number), "tag"_sel), number);
    FreeGadgetObject(number);
    EXPECT_EQ(GadgetHandle(number), nullptr);
    EXPECT_EQ(testing::g_freeGadgetCalls, 1);
}

TEST_F(GadgetTest, CallsFromAnotherThreadRunOnTheMainThreadInOrder) {
    CreateTestGadget(5, {{0, 0}, {20, 20}});
    bool done = false;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            HideGadget(5, i % 2);
            EXPECT_EQ(GadgetHandle(5)->isHidden(), i % 2 == 1);
        }
        FreeGadgetObject(5);
        done = true;
        PostAppEvent(GadgetEvent, 0, 5, 1);
    });
    EXPECT_EQ(WaitFor(GadgetEvent, 5000).detail, 1u);
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(GadgetHandle(5), nullptr);
}

} // namespace
} // namespace sondrel::windowing
