#include "platform/appkit/NSMenu.h"

#include <QAction>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {
namespace {

int g_actions = 0;
void countAction(objc::Object*, SEL, id) {
    ++g_actions;
}

const objc::ClassRegistration targetRegistration{
    objc::ClassDefinition("MenuTestTarget", "NSObject").instanceMethod("act:", &countAction)};

class NSMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        g_actions = 0;
        target = Retained<objc::Object>::adopt(
            objc::createInstance(objc::lookUpClass("MenuTestTarget")));
        menu = Retained<NSMenuObject>::adopt(newMenu(u"Menu"));
    }

    NSMenuItemObject* Add(const std::u16string& title, const std::u16string& key, NSUInteger mask) {
        auto item = Retained<NSMenuItemObject>::adopt(
            newMenuItem(title, objc::registerSelector("act:"), key));
        item->setKeyEquivalentModifierMask(mask);
        item->setTarget(target.get());
        menu->addItem(item.get());
        return item.get();
    }

    static Retained<NSEventObject> Key(const std::u16string& characters, NSUInteger flags) {
        auto event = Retained<NSEventObject>::adopt(newEvent(NSEventTypeKeyDown));
        event->charactersIgnoringModifiers = characters;
        event->modifierFlags = flags;
        return event;
    }

    Retained<objc::Object> target;
    Retained<NSMenuObject> menu;
};

TEST_F(NSMenuTest, KeyEquivalentsMatchCharactersAndExactModifiers) {
    Add(u"Quit", u"q", NSEventModifierFlagCommand);
    Add(u"Redo", u"Z", NSEventModifierFlagCommand); // upper case implies Shift
    Add(u"Help", std::u16string(1, NSF1FunctionKey), NSEventModifierFlagFunction);

    EXPECT_FALSE(menu->performKeyEquivalent(*Key(u"q", 0)));
    EXPECT_FALSE(menu->performKeyEquivalent(*Key(u"q", NSEventModifierFlagControl)));
    EXPECT_TRUE(menu->performKeyEquivalent(*Key(u"q", NSEventModifierFlagCommand)));
    EXPECT_FALSE(menu->performKeyEquivalent(*Key(u"z", NSEventModifierFlagCommand)));
    EXPECT_TRUE(menu->performKeyEquivalent(
        *Key(u"Z", NSEventModifierFlagCommand | NSEventModifierFlagShift)));
    EXPECT_TRUE(menu->performKeyEquivalent(
        *Key(std::u16string(1, NSF1FunctionKey), NSEventModifierFlagFunction)));
    EXPECT_EQ(g_actions, 3);
}

TEST_F(NSMenuTest, AutoenablingFollowsTheTargetAndDisabledItemsDoNothing) {
    NSMenuItemObject* item = Add(u"Act", u"a", NSEventModifierFlagCommand);
    EXPECT_TRUE(item->isEnabled());
    item->setTarget(nullptr); // nil target: nothing in the responder chain answers act:
    EXPECT_FALSE(item->isEnabled());
    EXPECT_FALSE(menu->performKeyEquivalent(*Key(u"a", NSEventModifierFlagCommand)));
    EXPECT_FALSE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(g_actions, 0);

    auto hide = Retained<NSMenuItemObject>::adopt(
        newMenuItem(u"Hide", objc::registerSelector("hide:"), u"h"));
    menu->addItem(hide.get());
    EXPECT_TRUE(hide->isEnabled()); // the application answers hide:

    menu->setAutoenablesItems(false);
    item->setEnabled(true);
    EXPECT_TRUE(item->isEnabled());
    auto separator = Retained<NSMenuItemObject>::adopt(newSeparatorItem());
    menu->addItem(separator.get());
    EXPECT_FALSE(separator->isEnabled());
}

TEST_F(NSMenuTest, AnItemBelongsToOneMenuAndShowsItsShortcut) {
    NSMenuItemObject* item = Add(u"Tom & Jerry", u"q", NSEventModifierFlagCommand);
    auto other = Retained<NSMenuObject>::adopt(newMenu(u"Other"));
    other->addItem(item); // still in the first menu: refused
    EXPECT_EQ(other->numberOfItems(), 0);
    Retained<NSMenuItemObject> held = Retained<NSMenuItemObject>::retain(item);
    menu->removeItem(item);
    other->insertItem(item, 5); // past the end: appended
    EXPECT_EQ(other->indexOfItem(item), 0);
    EXPECT_EQ(item->menu(), other.get());
    EXPECT_EQ(item->action_()->text(), QStringLiteral("Tom && Jerry\tCtrl+Q"));
}

} // namespace
} // namespace sondrel::appkit
