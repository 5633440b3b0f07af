// The base operations of the gadget core on the real kinds, which add to the views' messages:
// activating a gadget focuses its view, resizing goes through the view's setFrame:.

#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSTextView.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/ButtonGadget.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/StringGadget.h"

namespace sondrel::controls {
namespace {

using windowing::GadgetHandle;

class GadgetBaseOperationsTest : public testing::ControlsTest {
protected:
    static windowing::RTGadgetFunctionsObject* Functions(std::int64_t gadget) {
        const windowing::RT_GadgetStructure* record =
            core::FindObject(windowing::GadgetRegistry(), gadget);
        return record != nullptr ? record->functions : nullptr;
    }
    static void Activate(std::int64_t gadget) {
        objc::send<void>(Functions(gadget), "ActivateGadget"_sel);
    }
    static void Resize(std::int64_t gadget, std::int32_t width, std::int32_t height) {
        constexpr std::int32_t kAbsent = -65535;
        objc::send<void>(Functions(gadget), "ResizeGadget:y:width:height:"_sel, kAbsent, kAbsent,
                         width, height);
    }
    static objc::NSRect FrameOf(appkit::NSViewObject* view) {
        return objc::send<objc::NSRect>(view, "frame"_sel);
    }
};

TEST_F(GadgetBaseOperationsTest, ActivatingAGadgetFocusesItsView) {
    CreateStringGadget(1, 10, 10, 120, 22, u"");
    CreateEditorGadget(2, 10, 40, 300, 100);
    appkit::NSWindowObject* window = windowing::WindowHandle(0);
    GadgetEvents(); // what creating them raised

    Activate(2);
    EXPECT_EQ(window->firstResponder(), GadgetHandle(2));
    EXPECT_EQ(GadgetEvents(), (std::vector<testing::SeenEvent>{GadgetEventOf(2, 256)}));
    Activate(1);
    EXPECT_EQ(window->firstResponder(), GadgetHandle(1));
    const std::vector<testing::SeenEvent> events = GadgetEvents();
    EXPECT_NE(std::find(events.begin(), events.end(), GadgetEventOf(1, 256)), events.end());
}

TEST_F(GadgetBaseOperationsTest, ResizingGoesThroughTheViewsOwnSetFrame) {
    CreateButtonGadget(3, 70, 300, 280, 25, u"Cancel", ButtonDefault);
    auto* button = objc::liveCast<appkit::NSButtonObject>(GadgetHandle(3));
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->bezelStyle(), appkit::NSBezelStyleRounded);
    Resize(3, 280, 30);
    EXPECT_EQ(FrameOf(button).size.height, 30);
    EXPECT_EQ(button->bezelStyle(), appkit::NSBezelStyleRegularSquare);
    Resize(3, 280, 25);
    EXPECT_EQ(button->bezelStyle(), appkit::NSBezelStyleRegularSquare) << "square stays square";

    // The editor's scroll view lays its text view out again.
    CreateEditorGadget(4, 10, 10, 300, 200);
    appkit::NSViewObject* text = GadgetHandle(4);
    ASSERT_NE(text, nullptr);
    Resize(4, 250, 120);
    EXPECT_EQ(FrameOf(text->superview()).size.width, 250);
    EXPECT_EQ(FrameOf(text).size.width, 250);
    EXPECT_EQ(FrameOf(text).size.height, 120);
}

} // namespace
} // namespace sondrel::controls
