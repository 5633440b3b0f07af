#include "runtime/controls/ButtonGadget.h"

#include <QCheckBox>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSButton.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/CheckBoxGadget.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/GadgetTexts.h"

namespace sondrel::controls {
namespace {

using windowing::GadgetHandle;
using windowing::GetGadgetState;
using windowing::SetGadgetState;

class ButtonGadgetTest : public testing::ControlsTest {
protected:
    static appkit::NSButtonObject* Button(std::int64_t gadget) {
        return objc::liveCast<appkit::NSButtonObject>(GadgetHandle(gadget));
    }
};

TEST_F(ButtonGadgetTest, ReturnPressesTheDefaultButtonOfRoundedHeight) {
    CreateButtonGadget(20, 70, 300, 280, 25, u"Cancel Batch Conversion", ButtonDefault);
    CreateButtonGadget(8, 10, 10, 35, 20, u"...", ButtonDefault); // not 25 high: no Return
    appkit::NSButtonObject* cancel = Button(20);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(GetGadgetText(20), u"Cancel Batch Conversion");
    EXPECT_EQ(cancel->bezelStyle(), appkit::NSBezelStyleRounded);
    EXPECT_EQ(Button(8)->bezelStyle(), appkit::NSBezelStyleRegularSquare);
    EXPECT_EQ(Button(8)->keyEquivalent(), u"");

    appkit::testing::pressKeys(windowing::WindowHandle(0), "Return");
    EXPECT_EQ(GadgetEvents(), (std::vector<testing::SeenEvent>{GadgetEventOf(20, 0)}));

    // A hidden default button does not take Return.
    windowing::HideGadget(20, 1);
    appkit::testing::pressKeys(windowing::WindowHandle(0), "Return");
    EXPECT_TRUE(GadgetEvents().empty());
    windowing::HideGadget(20, 0);

    // Resized away from 25 the button turns square, and stays square back at 25.
    objc::send<void>(cancel, "setFrame:"_sel, objc::NSRect{{70, 300}, {280, 30}});
    EXPECT_EQ(cancel->bezelStyle(), appkit::NSBezelStyleRegularSquare);
    objc::send<void>(cancel, "setFrame:"_sel, objc::NSRect{{70, 300}, {280, 25}});
    EXPECT_EQ(cancel->bezelStyle(), appkit::NSBezelStyleRegularSquare);
}

TEST_F(ButtonGadgetTest, PushAndToggleButtons) {
    CreateButtonGadget(1, 10, 10, 80, 25, u"Push");
    CreateButtonGadget(2, 100, 10, 80, 25, u"Toggle", ButtonToggle | ButtonLeft | ButtonRight);
    Click(WidgetOf(1));
    Click(WidgetOf(2));
    EXPECT_EQ(GadgetEvents(),
              (std::vector<testing::SeenEvent>{GadgetEventOf(1, 0), GadgetEventOf(2, 0)}));
    EXPECT_EQ(GetGadgetState(1), 0) << "a push button keeps no state";
    EXPECT_EQ(GetGadgetState(2), 1) << "a toggle button stays pressed";
    EXPECT_EQ(objc::send<objc::NSInteger>(Button(2), "alignment"_sel), 0) << "left wins over right";
    SetGadgetText(2, u"Renamed");
    EXPECT_EQ(GetGadgetText(2), u"Renamed");
    windowing::DisableGadget(1, 1);
    Click(WidgetOf(1));
    EXPECT_TRUE(GadgetEvents().empty()) << "a disabled button takes no click";
}

TEST_F(ButtonGadgetTest, ThreeStateCheckBoxClicksNeverReachMixed) {
    CreateCheckBoxGadget(0, 235, 5, 110, 20, u"Sticky Window", CheckBoxThreeState);
    CreateCheckBoxGadget(9, 70, 5, 145, 20, u"Transparent Window");
    EXPECT_EQ(GetGadgetText(0), u"Sticky Window");
    EXPECT_EQ(GetGadgetState(0), 0);
    SetGadgetState(0, 1);
    std::vector<std::int64_t> states;
    for (int click = 0; click < 4; ++click) {
        Click(WidgetOf(0));
        states.push_back(GetGadgetState(0));
    }
    EXPECT_EQ(states, (std::vector<std::int64_t>{0, 1, 0, 1}));
    EXPECT_EQ(GadgetEvents().size(), 4u);

    SetGadgetState(0, -1);
    EXPECT_EQ(GetGadgetState(0), -1) << "the program can show the mixed state";
    EXPECT_EQ(qobject_cast<QCheckBox*>(WidgetOf(0))->checkState(), Qt::PartiallyChecked);
    SetGadgetState(9, -1);
    EXPECT_EQ(GetGadgetState(9), 1) << "a two-state box shows -1 as checked";
    Click(WidgetOf(9));
    EXPECT_EQ(GetGadgetState(9), 0);
    EXPECT_EQ(GadgetEvents(), (std::vector<testing::SeenEvent>{GadgetEventOf(9, 0)}));
}

} // namespace
} // namespace sondrel::controls
