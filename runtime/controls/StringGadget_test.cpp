#include "runtime/controls/StringGadget.h"

#include <QLineEdit>

#include "platform/objc/Messaging.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/GadgetTexts.h"

namespace sondrel::controls {
namespace {

using testing::SeenEvent;

class StringGadgetTest : public testing::ControlsTest {
protected:
    static QLineEdit* Field(std::int64_t gadget) {
        return qobject_cast<QLineEdit*>(WidgetOf(gadget));
    }
    // Types at the end of the field as the user does, through the application's key handling.
    void Type(std::int64_t gadget, const char* keys) {
        Field(gadget)->setFocus();
        Pump(10);
        QTest::keyClick(Field(gadget), Qt::Key_End);
        QTest::keyClicks(Field(gadget), keys);
        Pump(20);
    }
};

TEST_F(StringGadgetTest, DigitsOnlyAndMaximumLength) {
    CreateStringGadget(1, 10, 10, 120, 22, u"", StringNumeric);
    Type(1, "12a3");
    EXPECT_EQ(GetGadgetText(1), u"123") << "a letter is refused, digits are kept";
    EXPECT_EQ(GetGadgetAttribute(1, 1), 2147483647);
    SetGadgetAttribute(1, 1, 3);
    EXPECT_EQ(GetGadgetAttribute(1, 1), 3);
    Type(1, "4");
    EXPECT_EQ(GetGadgetText(1), u"123") << "a fourth character is refused";
    EXPECT_EQ(GetGadgetAttribute(1, 7), 0);

    CreateStringGadget(2, 10, 40, 120, 22, u"", 0);
    SetGadgetAttribute(2, 1, 3);
    Type(2, "abcd");
    EXPECT_EQ(GetGadgetText(2), u"abc");
}

TEST_F(StringGadgetTest, CaseFlagsApplyToTypedAndSetTexts) {
    CreateStringGadget(1, 10, 10, 120, 22, u"Mixed Case", StringUpperCase);
    EXPECT_EQ(GetGadgetText(1), u"MIXED CASE");
    CreateStringGadget(2, 10, 40, 120, 22, u"Mixed", StringLowerCase);
    EXPECT_EQ(GetGadgetText(2), u"mixed");
    Type(2, "ABC");
    EXPECT_EQ(GetGadgetText(2), u"mixedabc");
    CreateStringGadget(3, 10, 70, 120, 22, u"Both", StringUpperCase | StringLowerCase);
    EXPECT_EQ(GetGadgetText(3), u"BOTH") << "upper case wins, as it does for typing";
    Type(3, "x");
    EXPECT_EQ(GetGadgetText(3), u"BOTHX");
}

TEST_F(StringGadgetTest, EventsOfFocusChangesAndEndOfEditing) {
    CreateStringGadget(1, 10, 10, 120, 22, u"");
    CreateStringGadget(2, 10, 40, 120, 22, u"");
    Field(1)->setFocus();
    QTest::keyClicks(Field(1), "ab");
    EXPECT_EQ(GadgetEvents(), (std::vector<SeenEvent>{GadgetEventOf(1, GadgetFocusEvent),
                                                      GadgetEventOf(1, GadgetChangeEvent),
                                                      GadgetEventOf(1, GadgetChangeEvent)}));
    QTest::keyClick(Field(1), Qt::Key_Return);
    EXPECT_TRUE(GadgetEvents().empty()) << "Return ends editing without an event";
    Field(2)->setFocus();
    EXPECT_EQ(GadgetEvents(), (std::vector<SeenEvent>{GadgetEventOf(1, GadgetLostFocusEvent),
                                                      GadgetEventOf(2, GadgetFocusEvent)}));
    SetGadgetText(2, u"set by the program");
    EXPECT_TRUE(GadgetEvents().empty()) << "text set by the program is no change by the user";
}

TEST_F(StringGadgetTest, ReadOnlyPasswordAndColours) {
    CreateStringGadget(7, 14, 365, 355, 20, u"/home/user/", StringReadOnly);
    Type(7, "x");
    EXPECT_EQ(GetGadgetText(7), u"/home/user/");
    EXPECT_TRUE(Field(7)->isReadOnly());
    EXPECT_EQ(Field(7)->focusPolicy(), Qt::StrongFocus) << "still selectable";

    CreateStringGadget(8, 10, 10, 100, 22, u"secret", StringPassword | StringBorderless);
    EXPECT_EQ(Field(8)->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(Field(8)->hasFrame());
    EXPECT_EQ(objc::getClass(windowing::GadgetHandle(8))->name(), "RTSecureTextField");
    EXPECT_EQ(GetGadgetText(8), u"secret");

    windowing::SetGadgetColor(7, windowing::kGadgetFrontColor, 0x0000FF);
    EXPECT_EQ(Field(7)->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_NE(GetGadgetColor(7, windowing::kGadgetFrontColor), nullptr);
    windowing::SetGadgetColor(7, windowing::kGadgetFrontColor, -1);
    EXPECT_EQ(GetGadgetColor(7, windowing::kGadgetFrontColor), nullptr);
    EXPECT_EQ(GetGadgetColor(7, 3), nullptr);
}

} // namespace
} // namespace sondrel::controls
