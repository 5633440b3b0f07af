// The control classes as messages reach them: buttons and their state cycles, matrices, pop-up
// buttons, text fields with formatters and delegates, combo boxes with data sources, fonts,
// autoresizing.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/appkit/Autoresizing.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSComboBox.h"
#include "platform/appkit/NSMatrix.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/NSSearchField.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkit/TextCase.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

using objc::send;

int g_actions = 0;
int g_changes = 0;
std::vector<std::u16string> g_values{u"red", u"green", u"blue"};

void act(objc::Object*, SEL, id) {
    ++g_actions;
}
void changed(objc::Object*, SEL, id) {
    ++g_changes;
}
NSInteger count(objc::Object*, SEL, id) {
    return static_cast<NSInteger>(g_values.size());
}
id value(objc::Object*, SEL, id, NSInteger index) {
    return objc::autoreleasedNativeString(g_values.at(static_cast<std::size_t>(index)));
}
// Refuses texts with a "!", turns "bad" into "good".
BOOL check(objc::Object*, SEL, id partial, id* replacement, id*) {
    const std::u16string text = objc::nativeStringText(partial);
    if (text.find(u'!') != std::u16string::npos)
        return NO;
    if (text == u"bad") {
        *replacement = objc::autoreleasedNativeString(u"good");
        return NO;
    }
    return YES;
}

const objc::ClassRegistration targetRegistration{
    objc::ClassDefinition("ControlsTestTarget", "NSObject")
        .instanceMethod("act:", &act)
        .instanceMethod("controlTextDidChange:", &changed)
        .instanceMethod("numberOfItemsInComboBox:", &count)
        .instanceMethod("comboBox:objectValueForItemAtIndex:", &value)};
const objc::ClassRegistration formatterRegistration{
    objc::ClassDefinition("ControlsTestFormatter", "NSFormatter")
        .instanceMethod("isPartialStringValid:newEditingString:errorDescription:", &check)};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        g_actions = 0;
        g_changes = 0;
        m_target = Retained<objc::Object>::adopt(
            objc::createInstance(objc::lookUpClass("ControlsTestTarget")));
    }
    template <class T> Retained<T> Make(const char* className, NSRect frame = {{0, 0}, {120, 24}}) {
        auto object = Retained<T>::adopt(objc::liveCast<T>(send<id>(
            send<id>(objc::lookUpClass(className), "alloc"_sel), "initWithFrame:"_sel, frame)));
        if (object) {
            send<void>(object.get(), "setTarget:"_sel, m_target.get());
            send<void>(object.get(), "setAction:"_sel, objc::registerSelector("act:"));
            object->widget()->show();
        }
        return object;
    }

    Retained<objc::Object> m_target;
};

TEST_F(ControlsTest, ButtonTypesAndStateCycles) {
    auto button = Make<NSButtonObject>("NSButton");
    ASSERT_TRUE(button);
    send<void>(button.get(), "setTitle:"_sel, objc::autoreleasedNativeString(u"Go"));
    button->performClick();
    EXPECT_EQ(button->state(), 0) << "a momentary button keeps no state";
    EXPECT_EQ(g_actions, 1);

    button->setButtonType(NSButtonTypeSwitch);
    button->setAllowsMixedState(true);
    auto* box = qobject_cast<QCheckBox*>(button->widget());
    ASSERT_NE(box, nullptr) << "a switch is a check box";
    EXPECT_EQ(box->text(), QStringLiteral("Go"));
    std::vector<NSInteger> states;
    for (int click = 0; click < 3; ++click) {
        box->click();
        states.push_back(button->state());
    }
    EXPECT_EQ(states, (std::vector<NSInteger>{-1, 1, 0})) << "off, mixed, on, off as Cocoa cycles";
    button->setState(7);
    EXPECT_EQ(button->state(), 1);
    button->setAllowsMixedState(false);
    button->setState(-1);
    EXPECT_EQ(send<int>(button.get(), "intValue"_sel), 1);
    EXPECT_EQ(button->stringValue(), u"1");

    button->setEnabled(false);
    button->setButtonType(NSButtonTypePushOnPushOff);
    auto* push = qobject_cast<QPushButton*>(button->widget());
    ASSERT_NE(push, nullptr);
    EXPECT_FALSE(push->isEnabled()) << "a new widget keeps the enabling";
    EXPECT_TRUE(push->isCheckable());
    button->setBordered(false);
    EXPECT_TRUE(push->isFlat());
}

TEST_F(ControlsTest, RadioMatrixIsExclusiveAndSwitchMatrixToggles) {
    auto prototype = Retained<NSCellObject>::adopt(newButtonCell(u"cell", NSButtonTypeRadio));
    auto matrix = Retained<NSMatrixObject>::adopt(
        static_cast<NSMatrixObject*>(objc::createInstance(objc::lookUpClass("NSMatrix"))));
    send<id>(matrix.get(), "initWithFrame:mode:prototype:numberOfRows:numberOfColumns:"_sel,
             NSRect{{0, 0}, {200, 60}}, NSInteger{0}, static_cast<id>(prototype.get()),
             NSInteger{2}, NSInteger{2});
    send<void>(matrix.get(), "setTarget:"_sel, m_target.get());
    send<void>(matrix.get(), "setAction:"_sel, objc::registerSelector("act:"));
    ASSERT_EQ(matrix->cells().size(), 4u);
    EXPECT_EQ(matrix->cellAt(1, 1)->title(), u"cell");
    EXPECT_EQ(matrix->cellAt(2, 0), nullptr);
    matrix->clickCell(3);
    matrix->clickCell(1);
    EXPECT_EQ(matrix->cellAt(1, 1)->state(), 0);
    EXPECT_EQ(matrix->cellAt(0, 1)->state(), 1);
    EXPECT_EQ(matrix->selectedCell(), matrix->cellAt(0, 1));
    EXPECT_EQ(matrix->intValue(), 1);
    EXPECT_EQ(g_actions, 2);
    matrix->cellAt(0, 0)->setTitle(u"renamed");
    EXPECT_EQ(matrix->widget()->findChildren<QAbstractButton*>().front()->text(),
              QStringLiteral("renamed"));

    prototype->setButtonType(NSButtonTypeSwitch);
    matrix->setCells(NSHighlightModeMatrix, prototype.get(), 1, 2);
    matrix->clickCell(0);
    matrix->clickCell(1);
    matrix->clickCell(0);
    EXPECT_EQ(matrix->cellAt(0, 0)->state(), 0) << "a switch cell toggles by itself";
    EXPECT_EQ(matrix->cellAt(0, 1)->state(), 1);
}

TEST_F(ControlsTest, PopUpSelectsItsFirstItemAsCocoaDoes) {
    auto popUp = Make<NSPopUpButtonObject>("NSPopUpButton");
    ASSERT_TRUE(popUp);
    EXPECT_EQ(popUp->indexOfSelectedItem(), -1);
    popUp->addItem(u"one");
    popUp->addItem(u"two");
    EXPECT_EQ(popUp->indexOfSelectedItem(), 0) << "the first item added is selected";
    send<void>(popUp.get(), "selectItemWithTitle:"_sel, static_cast<id>(nullptr));
    EXPECT_EQ(popUp->indexOfSelectedItem(), -1);
    popUp->insertItem(u"zero", 0);
    EXPECT_EQ(popUp->indexOfSelectedItem(), -1) << "no selection stays none";
    send<void>(popUp.get(), "selectItemAtIndex:"_sel, NSInteger{2});
    EXPECT_EQ(objc::nativeStringText(send<id>(popUp.get(), "titleOfSelectedItem"_sel)), u"two");
    popUp->itemAtIndex(2)->setTitle(u"TWO");
    EXPECT_EQ(popUp->stringValue(), u"TWO");
    popUp->chooseItem(1);
    EXPECT_EQ(popUp->intValue(), 1);
    EXPECT_EQ(g_actions, 1);
    popUp->removeItemAtIndex(1);
    EXPECT_EQ(popUp->indexOfSelectedItem(), -1);
    EXPECT_EQ(send<NSInteger>(popUp.get(), "numberOfItems"_sel), 2);
    popUp->chooseItem(5); // nothing there
    EXPECT_EQ(g_actions, 1);
}

TEST_F(ControlsTest, TextFieldFormatterDelegateAndSelectability) {
    auto field = Make<NSTextFieldObject>("NSTextField");
    ASSERT_TRUE(field);
    auto formatter = Retained<objc::Object>::adopt(
        objc::createInstance(objc::lookUpClass("ControlsTestFormatter")));
    field->setFormatter(formatter.get());
    field->setDelegate(m_target.get());
    QLineEdit* edit = field->lineEdit();
    edit->setFocus();
    QTest::keyClicks(edit, "ba");
    QTest::keyClicks(edit, "d");
    EXPECT_EQ(field->stringValue(), u"good") << "the formatter's replacement is shown";
    QTest::keyClicks(edit, "!");
    EXPECT_EQ(field->stringValue(), u"good") << "a refused edit is undone";
    EXPECT_EQ(g_changes, 3);
    field->setStringValue(u"set!"); // the program's text is not checked
    EXPECT_EQ(field->stringValue(), u"set!");
    EXPECT_EQ(g_changes, 3);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(field->endedByReturn());
    EXPECT_EQ(g_actions, 1) << "Return sends the action";

    field->setSelectable(false);
    EXPECT_FALSE(field->isEditable()) << "a field that cannot be selected cannot be edited";
    field->setEditable(true);
    EXPECT_TRUE(field->isSelectable());

    auto search = Make<NSSearchFieldObject>("NSSearchField");
    search->lineEdit()->setFocus();
    QTest::keyClicks(search->lineEdit(), "ab");
    EXPECT_EQ(g_actions, 3) << "a search field sends as the user types";
    search->setSendsWholeSearchString(true);
    QTest::keyClicks(search->lineEdit(), "c");
    EXPECT_EQ(g_actions, 3);
}

TEST_F(ControlsTest, ComboBoxReadsItsDataSourceAndKeepsTheTypedText) {
    auto combo = Make<NSComboBoxObject>("NSComboBox", {{0, 0}, {150, 24}});
    ASSERT_TRUE(combo);
    send<void>(combo.get(), "setUsesDataSource:"_sel, objc::YES);
    send<void>(combo.get(), "setDataSource:"_sel, m_target.get());
    send<void>(combo.get(), "setDelegate:"_sel, m_target.get());
    EXPECT_EQ(send<NSInteger>(combo.get(), "numberOfItems"_sel), 3);
    combo->lineEdit()->setFocus();
    QTest::keyClicks(combo->lineEdit(), "gr");
    EXPECT_EQ(g_changes, 2);
    combo->reloadList();
    EXPECT_EQ(combo->comboBox()->count(), 3);
    EXPECT_EQ(combo->stringValue(), u"gr") << "refreshing the list keeps the typed text";
    g_values.push_back(u"grey");
    combo->userChoseRow(3);
    EXPECT_EQ(combo->stringValue(), u"grey");
    EXPECT_EQ(combo->indexOfSelectedItem(), 3);
    EXPECT_EQ(g_actions, 1);
    combo->deselectItemAtIndex(3);
    EXPECT_EQ(combo->indexOfSelectedItem(), -1);
    g_values.pop_back();
}

TEST_F(ControlsTest, FontsCaseAndAutoresizing) {
    const id font = send<id>(objc::lookUpClass("NSFont"), "fontWithName:size:"_sel,
                             objc::autoreleasedNativeString(u"DejaVu Sans"), 17.0);
    EXPECT_EQ(send<double>(font, "pointSize"_sel), 17.0);
    EXPECT_EQ(send<id>(objc::lookUpClass("NSFont"), "fontWithName:size:"_sel,
                       static_cast<id>(nullptr), 12.0),
              nullptr);
    auto field = Make<NSTextFieldObject>("NSTextField");
    send<void>(field.get(), "setFont:"_sel, font);
    EXPECT_EQ(send<double>(send<id>(field.get(), "font"_sel), "pointSize"_sel), 17.0);

    EXPECT_EQ(upperCaseText(u"straße"), u"STRASSE");
    EXPECT_EQ(lowerCaseText(u"ÉTÉ"), u"été");

    // Width sizable takes the whole change; flexible margins and width share it by their sizes.
    EXPECT_EQ(autoresizedFrame({{10, 10}, {100, 20}}, NSViewWidthSizable, {200, 100}, {300, 150}),
              (NSRect{{10, 10}, {200, 20}}));
    EXPECT_EQ(autoresizedFrame({{10, 10}, {100, 20}},
                               NSViewMinXMargin | NSViewMaxXMargin | NSViewHeightSizable,
                               {200, 100}, {400, 120}),
              (NSRect{{30, 10}, {100, 40}}));
    EXPECT_EQ(autoresizedFrame({{10, 10}, {100, 20}}, NSViewNotSizable, {200, 100}, {50, 50}),
              (NSRect{{10, 10}, {100, 20}}));
}

} // namespace
} // namespace sondrel::appkit
