#include "runtime/controls/OptionGadget.h"

#include "runtime/controls/ButtonGadget.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/FrameGadget.h"
#include "runtime/controls/GadgetTexts.h"

namespace sondrel::controls {
namespace {

using testing::SeenEvent;
using windowing::GetGadgetState;
using windowing::SetGadgetState;

using OptionGadgetTest = testing::ControlsTest;

TEST_F(OptionGadgetTest, ConsecutiveOptionsFormOneGroup) {
    CreateOptionGadget(10, 240, 53, 50, 20, u"AAC");
    CreateOptionGadget(11, 300, 53, 100, 20, u"IMA4 (mono)");
    CreateButtonGadget(1, 10, 100, 80, 25, u"Ends the group");
    CreateOptionGadget(12, 10, 150, 80, 20, u"Other");
    EXPECT_EQ(GetGadgetText(11), u"IMA4 (mono)");
    EXPECT_EQ(GetGadgetState(10), 0);

    SetGadgetState(10, 1);
    SetGadgetState(12, 1);
    EXPECT_EQ(GetGadgetState(10), 1) << "another group's option leaves this one alone";

    Click(WidgetOf(11));
    EXPECT_EQ(GadgetEvents(), (std::vector<SeenEvent>{GadgetEventOf(11, 0)}));
    EXPECT_EQ(GetGadgetState(10), 0);
    EXPECT_EQ(GetGadgetState(11), 1);
    EXPECT_EQ(GetGadgetState(12), 1);

    Click(WidgetOf(11)); // clicking the selected option keeps it selected
    EXPECT_EQ(GetGadgetState(11), 1);
    EXPECT_EQ(GadgetEvents().size(), 1u);

    SetGadgetState(10, 0); // 0 on any option clears the whole group
    EXPECT_EQ(GetGadgetState(10), 0);
    EXPECT_EQ(GetGadgetState(11), 0);

    SetGadgetText(10, u"AAC (stereo)");
    EXPECT_EQ(GetGadgetText(10), u"AAC (stereo)");
}

TEST_F(OptionGadgetTest, FreedOptionsLeaveTheirGroup) {
    CreateOptionGadget(10, 10, 10, 80, 20, u"One");
    CreateOptionGadget(11, 10, 40, 80, 20, u"Two");
    CreateOptionGadget(12, 10, 70, 80, 20, u"Three");
    windowing::FreeGadgetObject(11);
    SetGadgetState(12, 1);
    SetGadgetState(10, 1);
    EXPECT_EQ(GetGadgetState(12), 0);
    EXPECT_EQ(GetGadgetState(10), 1);
    // A frame between two options splits them too.
    CreateFrameGadget(5, 0, 0, 10, 10, u"");
    CreateOptionGadget(13, 10, 100, 80, 20, u"Four");
    SetGadgetState(13, 1);
    EXPECT_EQ(GetGadgetState(10), 1);
    // Closing the window frees the options with their views.
    windowing::CloseWindowObject(0);
    Pump(20);
    EXPECT_EQ(windowing::GadgetHandle(10), nullptr);
}

} // namespace
} // namespace sondrel::controls
