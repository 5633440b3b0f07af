#include "runtime/windowing/Menus.h"

#include <gtest/gtest.h>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "runtime/windowing/MenuText.h"
#include "runtime/windowing/Shortcuts.h"
#include "runtime/windowing/WindowRecord.h"
#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::windowing {
namespace {

using appkit::NSMenuItemObject;
using appkit::NSMenuObject;
using testing::SeenEvent;
namespace synth = appkit::testing;

class MenusTest : public testing::WindowingTest {
protected:
    static NSMenuObject* ApplicationMenu() {
        NSMenuObject* main = appkit::NSApplicationObject::shared()->mainMenu();
        return main != nullptr && main->itemAtIndex(0) != nullptr ? main->itemAtIndex(0)->submenu()
                                                                  : nullptr;
    }

    // The main window as the application builds it: menu, Help item with F1, Quit, F1 bound.
    static void BuildMainWindow() {
        CreateWindow(0, 0, 0, 420, 400, u"Sondrel", 0x64);
        CreateMenuBar(0, WindowHandle(0));
        AddMenuTitle(u"Help");
        AddMenuItem(1, u"Help\tF1");
        AddMenuSeparator();
        AddMenuItem(2, u"Quillfern Website");
        AddMenuItem(-3, u"About Sondrel");
        AddMenuItem(-1, u"Quit\tCmd+Q");
        BindShortcut(0, 378, 1);
        Pump();
    }
};

TEST_F(MenusTest, ApplicationMenuHasItsEntriesInOrder) {
    NSMenuObject* menu = ApplicationMenu();
    ASSERT_NE(menu, nullptr);
    const std::u16string name = ApplicationName();
    EXPECT_EQ(name, u"windowing_tests");
    EXPECT_EQ(menu->title(), name);
    const std::u16string titles[] = {u"About " + name, u"", u"Preferences\u2026", u"",
                                     u"Services",      u"", u"Hide " + name,      u"Hide Others",
                                     u"Show All",      u"", u"Quit " + name};
    ASSERT_EQ(menu->numberOfItems(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(menu->itemAtIndex(i)->title(), titles[i]) << i;
    EXPECT_EQ(menu->itemAtIndex(4)->submenu()->numberOfItems(), 0);
    EXPECT_EQ(menu->itemAtIndex(7)->keyEquivalent(), u"h");
    EXPECT_EQ(menu->itemAtIndex(7)->keyEquivalentModifierMask(), kCommandKeyMask | kOptionKeyMask);
    EXPECT_EQ(menu->itemAtIndex(10)->keyEquivalent(), u"q");
    EXPECT_TRUE(menu->itemAtIndex(10)->isEnabled()); // Quit always has its target
    EXPECT_TRUE(menu->itemAtIndex(6)->isEnabled());  // Hide: the application answers hide:
}

TEST_F(MenusTest, AboutAndPreferencesStayDisabledUntilTheProgramAddsThem) {
    CreateWindow(0, 10, 10, 200, 100, u"", 0x4);
    CreateMenuBar(0, WindowHandle(0));
    AddMenuTitle(u"File");
    Pump();
    NSMenuObject* menu = ApplicationMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->itemAtIndex(2)->isEnabled());
    AddMenuItem(-2, u"ignored");
    EXPECT_TRUE(menu->itemAtIndex(2)->isEnabled());

    EXPECT_FALSE(menu->itemAtIndex(0)->isEnabled());
    AddMenuItem(-3, u"About this");
    EXPECT_EQ(appkit::NSApplicationObject::shared()
                  ->mainMenu()
                  ->itemAtIndex(1)
                  ->submenu()
                  ->numberOfItems(),
              0); // -3 adds no item to the File menu
    menu->performActionForItemAtIndex(0);
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, kAboutItem, 0, 0}));
}

TEST_F(MenusTest, ItemTextsBecomeTitlesAndKeyEquivalents) {
    CreateWindow(0, 10, 10, 200, 100, u"", 0x4);
    CreateMenuBar(0, WindowHandle(0));
    NSMenuObject* file = AddMenuTitle(u"&File");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), u"File");
    AddMenuItem(5, u"E&xit\tCTRL+Q");
    AddMenuSeparator();
    AddMenuItem(6, u"Find\tcmd+shift+f5");
    ASSERT_EQ(file->numberOfItems(), 3);
    NSMenuItemObject* exit = file->itemAtIndex(0);
    EXPECT_EQ(exit->title(), u"Exit");
    EXPECT_EQ(exit->keyEquivalent(), u"q");
    EXPECT_EQ(exit->keyEquivalentModifierMask(), kControlKeyMask);
    EXPECT_EQ(exit->tag(), 5);
    EXPECT_TRUE(file->itemAtIndex(1)->isSeparatorItem());
    EXPECT_EQ(file->itemAtIndex(2)->keyEquivalent(), std::u16string(1, char16_t{0xF708}));

    file->performActionForItemAtIndex(2);
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, 6, 0, 0}));
}

TEST_F(MenusTest, F1AndCtrlQReportMenuEvents) {
    BuildMainWindow();
    appkit::NSWindowObject* window = WindowHandle(0);
    ASSERT_TRUE(window->isKeyWindow());
    EXPECT_EQ(appkit::NSApplicationObject::shared()->mainMenu(), window->menu());

    synth::pressKeys(window, "F1");
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, 1, 0, 0}));
    synth::pressKeys(window, "Ctrl+Q");
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, kQuitItem, 0, 0}));
    // The menu's own Help item reports the same event as F1.
    window->menu()->itemAtIndex(1)->submenu()->performActionForItemAtIndex(0);
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, 1, 0, 0}));
}

TEST_F(MenusTest, ShortcutsConsumeTheirKeyAndOthersReachTheWindow) {
    CreateWindow(0, 10, 10, 300, 100, u"", 0x4);
    auto field = appkit::Retained<appkit::NSViewObject>::adopt(synth::newTextFieldView(u""));
    WindowHandle(0)->contentView()->addSubview(field.get());
    synth::focusView(field.get());
    BindShortcut(0, 'a', 7);
    BindShortcut(0, '3' | 0x10000, 8); // Shift+3 as a layout with the section sign gives it
    Pump();

    synth::pressKeys(WindowHandle(0), "A");
    EXPECT_EQ(WaitFor(MenuEvent), (SeenEvent{MenuEvent, 7, 0, 0}));
    synth::pressKeys(WindowHandle(0), "B");
    Pump();
    EXPECT_EQ(synth::textFieldText(field.get()), u"b"); // only the unbound key arrived

    RemoveShortcut(0, 'a');
    synth::pressKeys(WindowHandle(0), "A");
    Pump();
    EXPECT_EQ(synth::textFieldText(field.get()), u"ba");
}

TEST_F(MenusTest, CommandCCopiesFromAFocusedTextFieldWithoutAnEditMenu) {
    CreateWindow(0, 10, 10, 300, 100, u"", 0x4);
    auto field = appkit::Retained<appkit::NSViewObject>::adopt(synth::newTextFieldView(u"hello"));
    WindowHandle(0)->contentView()->addSubview(field.get());
    synth::focusView(field.get());
    Pump();
    synth::pressKeys(WindowHandle(0), "Ctrl+A");
    synth::pressKeys(WindowHandle(0), "Ctrl+C");
    Pump();
    EXPECT_EQ(synth::clipboardText(), u"hello");
}

TEST_F(MenusTest, BindingAKeyAgainReplacesTheEarlierBinding) {
    CreateWindow(0, 10, 10, 200, 100, u"", 0x4);
    BindShortcut(0, 378, 1);
    BindShortcut(0, 378, 2);
    const WindowRecord* record = core::FindObject(WindowRegistry(), 0);
    ASSERT_EQ(record->shortcuts.size(), 1u);
    EXPECT_EQ(record->shortcuts[0]->EventMenuID, 2);
    BindShortcut(42, 378, 1); // unknown window: nothing
}

TEST_F(MenusTest, MenuBarOfAWindowThatIsNotKeyIsInstalledWhenItBecomesKey) {
    CreateWindow(0, 10, 10, 200, 100, u"Back", 0x4);
    CreateWindow(1, 50, 50, 200, 100, u"Front", 0x4);
    ASSERT_TRUE(WindowHandle(1)->isKeyWindow());
    CreateMenuBar(3, WindowHandle(0));
    AddMenuTitle(u"Back menu");
    NSMenuObject* bar = WindowHandle(0)->menu();
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(appkit::NSApplicationObject::shared()->mainMenu(), bar);
    WindowHandle(0)->makeKeyWindow();
    EXPECT_EQ(appkit::NSApplicationObject::shared()->mainMenu(), bar);
    EXPECT_EQ(bar->itemAtIndex(0)->submenu(), ApplicationMenu()); // the application menu moved in
    Pump();
}

TEST_F(MenusTest, FreedMenuBarIsNotExtendedAndTheDefaultBarReturns) {
    BuildMainWindow();
    FreeMenuBar(0);
    EXPECT_EQ(AddMenuTitle(u"Late"), nullptr);
    AddMenuItem(9, u"Late item"); // must not touch the freed bar
    NSMenuObject* main = appkit::NSApplicationObject::shared()->mainMenu();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->numberOfItems(), 1); // the default bar: the application menu only
    EXPECT_EQ(WindowHandle(0)->menu(), nullptr);
}

} // namespace
} // namespace sondrel::windowing
