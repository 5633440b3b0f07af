#include "platform/appkit/NSMenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
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

// An object that answers act: and counts its calls: a view, a window delegate or an application
// delegate in the responder chain.
class Responder : public objc::Object {
public:
    using Object::Object;
    int acted = 0;
};

const objc::ClassRegistration responderRegistration{
    objc::ClassDefinition("MenuTestResponder", "NSObject", objc::factoryFor<Responder>())
        .instanceMethod(
            "act:", +[](Responder* self, SEL, id) { ++self->acted; })};

class ResponderView : public NSViewObject {
public:
    using NSViewObject::NSViewObject;
    int acted = 0;
};

const objc::ClassRegistration viewRegistration{
    objc::ClassDefinition("MenuTestView", "NSView", objc::factoryFor<ResponderView>())
        .instanceMethod(
            "act:", +[](ResponderView* self, SEL, id) { ++self->acted; })};

// Items with a nil target go to the first responder that answers their action, looked for from
// the key window's focused view up its superviews, then the window, its delegate, the
// application and its delegate; autoenabling follows the same search.
class MenuValidationTest : public NSMenuTest {
protected:
    void SetUp() override {
        NSMenuTest::SetUp();
        m_savedDelegate = NSApplicationObject::shared()->delegate();
        item = Add(u"Act", u"a", NSEventModifierFlagCommand);
        item->setTarget(nullptr);
        menu->update();
    }
    void TearDown() override { NSApplicationObject::shared()->setDelegate(m_savedDelegate); }

    static Retained<Responder> MakeResponder() {
        return Retained<Responder>::adopt(
            static_cast<Responder*>(objc::createInstance(objc::lookUpClass("MenuTestResponder"))));
    }
    bool ShownEnabled() const { return item->action_()->isEnabled(); }

    NSMenuItemObject* item = nullptr;

private:
    id m_savedDelegate = nullptr;
};

TEST_F(MenuValidationTest, ANilTargetFollowsTheResponderChainFromTheKeyWindow) {
    EXPECT_FALSE(item->isEnabled()) << "nothing answers act: yet";
    EXPECT_FALSE(menu->performActionForItemAtIndex(0));

    Retained<Responder> appDelegate = MakeResponder();
    NSApplicationObject::shared()->setDelegate(appDelegate.get());
    EXPECT_TRUE(item->isEnabled());
    EXPECT_TRUE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(appDelegate->acted, 1);

    auto window = Retained<NSWindowObject>::adopt(
        static_cast<NSWindowObject*>(objc::createInstance(objc::lookUpClass("NSWindow"))));
    ASSERT_TRUE(window->initWithContentRect(NSRect{{100, 100}, {200, 100}}, 7));
    window->setReleasedWhenClosed(false);
    Retained<Responder> windowDelegate = MakeResponder();
    window->setDelegate(windowDelegate.get());
    auto view = Retained<ResponderView>::adopt(
        static_cast<ResponderView*>(objc::createInstance(objc::lookUpClass("MenuTestView"))));
    window->setContentView(view.get());
    window->makeKeyAndOrderFront();
    EXPECT_TRUE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(windowDelegate->acted, 1) << "the key window's delegate comes before the app's";

    // The focused view answers first, also to the item's key equivalent.
    view->widget()->setFocusPolicy(Qt::StrongFocus);
    view->widget()->setFocus();
    EXPECT_TRUE(menu->performKeyEquivalent(*Key(u"a", NSEventModifierFlagCommand)));
    EXPECT_EQ(view->acted, 1);
    EXPECT_EQ(windowDelegate->acted, 1);

    // Without a key window the application's delegate answers again.
    window->close();
    EXPECT_TRUE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(appDelegate->acted, 2);
    EXPECT_EQ(view->acted, 1);

    // A target given answers whatever the chain holds, and only if it has the action.
    Retained<Responder> own = MakeResponder();
    item->setTarget(own.get());
    EXPECT_TRUE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(own->acted, 1);
    item->setTarget(menu.get()); // a menu does not answer act:
    EXPECT_FALSE(item->isEnabled());
    EXPECT_FALSE(menu->performActionForItemAtIndex(0));
    EXPECT_EQ(appDelegate->acted, 2);
}

TEST_F(MenuValidationTest, TheShownStateIsBroughtUpToDateWhenAMenuOpens) {
    auto submenu = Retained<NSMenuObject>::adopt(newMenu(u"File"));
    auto parent = Retained<NSMenuItemObject>::adopt(newMenuItem(u"File", nullptr, u""));
    parent->setSubmenu(submenu.get());
    auto bar = Retained<NSMenuObject>::adopt(newMenu(u""));
    bar->addItem(parent.get());
    Retained<NSMenuItemObject> inner = Retained<NSMenuItemObject>::adopt(
        newMenuItem(u"Inner", objc::registerSelector("act:"), u"i"));
    submenu->addItem(inner.get());
    EXPECT_TRUE(parent->isEnabled()) << "an item with a submenu is always enabled";
    EXPECT_FALSE(ShownEnabled());
    EXPECT_FALSE(inner->action_()->isEnabled());

    Retained<Responder> appDelegate = MakeResponder();
    NSApplicationObject::shared()->setDelegate(appDelegate.get());
    EXPECT_FALSE(ShownEnabled()) << "shown as it was until the menu opens";
    emit menu->qmenu()->aboutToShow();
    EXPECT_TRUE(ShownEnabled());
    EXPECT_FALSE(inner->action_()->isEnabled());
    bar->update(); // as before a key equivalent: submenus too
    EXPECT_TRUE(inner->action_()->isEnabled());

    // Chosen from the menu: the action goes the same way; a disabled item sends nothing.
    item->action_()->trigger();
    EXPECT_EQ(appDelegate->acted, 1);
    NSApplicationObject::shared()->setDelegate(nullptr);
    emit menu->qmenu()->aboutToShow();
    EXPECT_FALSE(ShownEnabled());
    item->action_()->trigger();
    EXPECT_EQ(appDelegate->acted, 1);

    // Key equivalents reach items inside submenus; a disabled one lets the key go on.
    NSApplicationObject::shared()->setDelegate(appDelegate.get());
    EXPECT_TRUE(bar->performKeyEquivalent(*Key(u"i", NSEventModifierFlagCommand)));
    EXPECT_EQ(appDelegate->acted, 2);
    NSApplicationObject::shared()->setDelegate(nullptr);
    EXPECT_FALSE(bar->performKeyEquivalent(*Key(u"i", NSEventModifierFlagCommand)));
}

} // namespace
} // namespace sondrel::appkit
