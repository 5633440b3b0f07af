#include "runtime/controls/ComboBoxGadget.h"

#include <QComboBox>
#include <QLineEdit>

#include "platform/appkit/NSPopUpButton.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/GadgetTexts.h"

namespace sondrel::controls {
namespace {

using testing::SeenEvent;
using windowing::CountGadgetItems;
using windowing::GetGadgetState;
using windowing::SetGadgetState;

class ComboBoxGadgetTest : public testing::ControlsTest {
protected:
    static appkit::NSPopUpButtonObject* PopUp(std::int64_t gadget) {
        return objc::liveCast<appkit::NSPopUpButtonObject>(windowing::GadgetHandle(gadget));
    }
};

TEST_F(ComboBoxGadgetTest, PopUpHasNoSelectionUntilOneIsMade) {
    CreateComboBoxGadget(2, 20, 52, 100, 22);
    for (const char16_t* item : {u"CBR", u"ABR", u"VBR Con"})
        AddGadgetItem(2, -1, item);
    EXPECT_EQ(CountGadgetItems(2), 3);
    EXPECT_EQ(GetGadgetState(2), -1);
    EXPECT_EQ(GetGadgetText(2), u"");
    SetGadgetState(2, 1);
    EXPECT_EQ(GetGadgetText(2), u"ABR");
    AddGadgetItem(2, 0, u"first");
    EXPECT_EQ(GetGadgetState(2), 2) << "the selected item stays selected as items come";
    EXPECT_EQ(GetGadgetItemText(2, 0), u"first");

    // The user's choice selects and raises the change event.
    PopUp(2)->chooseItem(3);
    EXPECT_EQ(GetGadgetText(2), u"VBR Con");
    EXPECT_EQ(GadgetEvents(), (std::vector<SeenEvent>{GadgetEventOf(2, GadgetChangeEvent)}));
    SetGadgetText(2, u"CBR");
    EXPECT_EQ(GetGadgetState(2), 1);
    SetGadgetState(2, -1);
    EXPECT_EQ(GetGadgetText(2), u"");
}

TEST_F(ComboBoxGadgetTest, PopUpPositionsCaseAndItemsOutOfRange) {
    CreateComboBoxGadget(3, 130, 52, 100, 22, ComboBoxUpperCase);
    AddGadgetItem(3, -1, u"16 kbps");
    AddGadgetItem(3, -1, u"32 kbps");
    AddGadgetItem(3, 99, u"end");
    AddGadgetItem(3, -1, u"later");
    EXPECT_EQ(GetGadgetItemText(3, 2), u"END") << "position 99 appends, in upper case";
    SetGadgetText(3, u"end");
    EXPECT_EQ(GetGadgetState(3), 2) << "the text is matched in the gadget's case";
    SetGadgetItemText(3, 0, u"eight");
    EXPECT_EQ(GetGadgetItemText(3, 0), u"EIGHT");

    SetGadgetItemData(3, 1, -42);
    EXPECT_EQ(GetGadgetItemData(3, 1), -42);
    EXPECT_EQ(GetGadgetItemData(3, 0), 0);
    // Indexes outside the items do nothing.
    RemoveGadgetItem(3, 4);
    RemoveGadgetItem(3, -2);
    SetGadgetItemText(3, 9, u"x");
    SetGadgetItemData(3, 9, 5);
    SetGadgetState(3, 17);
    EXPECT_EQ(GetGadgetItemText(3, 9), u"");
    EXPECT_EQ(GetGadgetItemData(3, 9), 0);
    EXPECT_EQ(CountGadgetItems(3), 4);
    EXPECT_EQ(GetGadgetState(3), 2);
    RemoveGadgetItem(3, 2);
    EXPECT_EQ(GetGadgetState(3), -1) << "the selected item went";
    windowing::ClearGadgetItems(3);
    EXPECT_EQ(CountGadgetItems(3), 0);

    CreateComboBoxGadget(4, 10, 90, 100, 22,
                         ComboBoxLowerCase | ComboBoxUpperCase | ComboBoxImages);
    AddGadgetItem(4, -1, u"Lower Wins");
    EXPECT_EQ(GetGadgetItemText(4, 0), u"lower wins");
    EXPECT_NE(PopUp(4)->itemAtIndex(0)->image(), nullptr) << "an image item without an image";
}

TEST_F(ComboBoxGadgetTest, EditableComboBoxListAndText) {
    CreateComboBoxGadget(5, 10, 10, 150, 24, ComboBoxEditable);
    auto* combo = qobject_cast<QComboBox*>(WidgetOf(5));
    ASSERT_NE(combo, nullptr);
    AddGadgetItem(5, -1, u"alpha");
    AddGadgetItem(5, 0, u"beta");
    AddGadgetItem(5, 7, u"gamma");
    EXPECT_EQ(CountGadgetItems(5), 3);
    EXPECT_EQ(GetGadgetItemText(5, 0), u"beta");
    EXPECT_EQ(GetGadgetState(5), -1);

    SetGadgetState(5, 2);
    EXPECT_EQ(GetGadgetText(5), u"gamma");
    SetGadgetText(5, u"typed");
    EXPECT_EQ(GetGadgetText(5), u"typed");
    EXPECT_EQ(GetGadgetState(5), 2) << "showing a text leaves the state";
    SetGadgetState(5, -1);
    EXPECT_EQ(GetGadgetText(5), u"");

    // The user picks from the list: the text shows the value, the state is its index.
    combo->showPopup();
    combo->hidePopup();
    EXPECT_EQ(combo->count(), 3);
    emit combo->activated(1);
    EXPECT_EQ(GetGadgetState(5), 1);
    EXPECT_EQ(GetGadgetText(5), u"alpha");
    EXPECT_EQ(GadgetEvents(), (std::vector<SeenEvent>{GadgetEventOf(5, GadgetActionEvent)}));

    SetGadgetItemData(5, 1, 9);
    EXPECT_EQ(GetGadgetItemData(5, 1), 9);
    RemoveGadgetItem(5, 0);
    EXPECT_EQ(GetGadgetItemData(5, 0), 9);
    RemoveGadgetItem(5, 5);
    SetGadgetItemText(5, 5, u"no");
    EXPECT_EQ(CountGadgetItems(5), 2);
    windowing::ClearGadgetItems(5);
    EXPECT_EQ(CountGadgetItems(5), 0);
}

} // namespace
} // namespace sondrel::controls
