#include "runtime/windowing/Menus.h"

#include <memory>
#include <vector>

#include "platform/appkit/ApplicationLaunch.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "runtime/core/ThreadSlot.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/MenuText.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

using appkit::NSMenuItemObject;
using appkit::NSMenuObject;
using appkit::NSWindowObject;
using appkit::Retained;
using objc::id;
using objc::SEL;

struct MenuBarRecord;

class RTMenuObject : public objc::Object {
public:
    using Object::Object;
    MenuBarRecord* Menu = nullptr;
};

struct MenuBarRecord {
    Retained<NSMenuObject> menu; // the menu bar itself; null marks a free slot
    std::vector<Retained<NSMenuObject>> titles;
    std::vector<Retained<NSMenuObject>> menus;
    Retained<RTMenuObject> menuObject;
    std::int32_t itemImage = 0;
    std::int32_t notABar = 0;
    NSWindowObject* window = nullptr; // borrowed: the bar is freed when its window closes

    bool exists() const noexcept { return menu.get() != nullptr; }
};

class RTMenuDelegateObject : public objc::Object {
public:
    using Object::Object;
    std::int64_t WindowID = -1;
};

// The calling thread's menu being built. The bar is found again by number (and checked to be
// the same native menu) on each use, so a freed bar is never touched.
struct CurrentMenu {
    core::ObjectNumber number = -1;
    NSMenuObject* bar = nullptr;
    Retained<NSMenuObject> titleMenu;
};

struct ApplicationMenus {
    Retained<RTMenuDelegateObject> delegate;
    Retained<NSMenuItemObject> appleItem; // holds the application menu
    Retained<NSMenuItemObject> about;
    Retained<NSMenuItemObject> preferences;
    Retained<NSMenuObject> defaultBar;
};

ApplicationMenus& App() {
    static auto* menus = new ApplicationMenus; // lives as long as the process
    return *menus;
}

core::ObjectRegistry<MenuBarRecord>& Registry() {
    static auto* registry =
        core::CreateObjectRegistry<MenuBarRecord>(8, [](core::ObjectNumber number) {
            FreeMenuBar(number);
        }).release(); // never destroyed: menus may be freed at exit
    return *registry;
}

CurrentMenu* ThreadMenu() {
    static core::PerThread<CurrentMenu> current;
    return current.get();
}

MenuBarRecord* CurrentRecord(CurrentMenu& current) {
    MenuBarRecord* record = core::FindObject(Registry(), current.number);
    return record != nullptr && record->menu.get() == current.bar ? record : nullptr;
}

Retained<NSMenuItemObject> MakeItem(const std::u16string& title, const char* action,
                                    const std::u16string& key, std::uint64_t mask = 0) {
    auto item = Retained<NSMenuItemObject>::adopt(appkit::newMenuItem(
        title, action != nullptr ? objc::registerSelector(action) : nullptr, key));
    if (item && mask != 0)
        item->setKeyEquivalentModifierMask(mask);
    return item;
}

void AddSeparator(NSMenuObject* menu) {
    auto separator = Retained<NSMenuItemObject>::adopt(appkit::newSeparatorItem());
    menu->addItem(separator.get());
}

// The application menu, built once. Its title is the application's name, which the menu bar
// shows (there is no global menu bar with an application menu of its own on this platform).
void BuildApplicationMenu() {
    ApplicationMenus& app = App();
    const std::u16string name = ApplicationName();
    auto menu = Retained<NSMenuObject>::adopt(appkit::newMenu(name));
    app.about = MakeItem(u"About " + name, "about:", u"");
    menu->addItem(app.about.get());
    AddSeparator(menu.get());
    app.preferences = MakeItem(u"Preferences\u2026", "preferences:", u",");
    menu->addItem(app.preferences.get());
    AddSeparator(menu.get());
    auto services = MakeItem(u"Services", nullptr, u"");
    auto servicesMenu = Retained<NSMenuObject>::adopt(appkit::newMenu(u"Services"));
    services->setSubmenu(servicesMenu.get());
    menu->addItem(services.get());
    AddSeparator(menu.get());
    menu->addItem(MakeItem(u"Hide " + name, "hide:", u"h").get());
    menu->addItem(
        MakeItem(u"Hide Others", "hideOtherApplications:", u"h", kCommandKeyMask | kOptionKeyMask)
            .get());
    menu->addItem(MakeItem(u"Show All", "unhideAllApplications:", u"").get());
    AddSeparator(menu.get());
    auto quit = MakeItem(u"Quit " + name, "terminate:", u"q");
    quit->setTarget(app.delegate.get());
    menu->addItem(quit.get());
    app.appleItem = MakeItem(u"Apple", nullptr, u"");
    app.appleItem->setSubmenu(menu.get());
}

void PostMenuEvent(const RTMenuDelegateObject* delegate, std::int32_t item) {
    QueueEvent(MenuEvent, item, delegate->WindowID, 0);
}

void eventHandler(RTMenuDelegateObject*, SEL, id sender) {
    auto* item = objc::liveCast<NSMenuItemObject>(sender);
    if (item == nullptr)
        return;
    auto* menuObject = objc::liveCast<RTMenuObject>(item->representedObject());
    const MenuBarRecord* record = menuObject != nullptr ? menuObject->Menu : nullptr;
    const std::int64_t window =
        record != nullptr && record->window != nullptr ? WindowNumberFromNative(record->window) : 0;
    QueueEvent(MenuEvent, item->tag(), window, 0);
}
void terminate(RTMenuDelegateObject* self, SEL, id) {
    PostMenuEvent(self, kQuitItem);
}
void about(RTMenuDelegateObject* self, SEL, id) {
    PostMenuEvent(self, kAboutItem);
}
void preferences(RTMenuDelegateObject* self, SEL, id) {
    PostMenuEvent(self, kPreferencesItem);
}
void setWindowID(RTMenuDelegateObject* self, SEL, std::int64_t window) {
    self->WindowID = window;
}

const objc::ClassRegistration delegateRegistration{
    objc::ClassDefinition("RTMenuDelegate", "NSObject", objc::factoryFor<RTMenuDelegateObject>())
        .instanceMethod("eventHandler:", &eventHandler)
        .instanceMethod("terminate:", &terminate)
        .instanceMethod("about:", &about)
        .instanceMethod("preferences:", &preferences)
        .instanceMethod("setWindowID:", &setWindowID)};

id initWithMenu(RTMenuObject* self, SEL, void* record) {
    self->Menu = static_cast<MenuBarRecord*>(record);
    return self;
}

const objc::ClassRegistration menuObjectRegistration{
    objc::ClassDefinition("RTMenuObject", "NSObject", objc::factoryFor<RTMenuObject>())
        .instanceMethod("initWithMenu:", &initWithMenu)};

} // namespace

core::Text ApplicationName() {
    return appkit::applicationName();
}

void InitMenus() {
    Registry();
}

void EndMenus() {
    FreeMenuBar(-1);
}

void InitApplicationMenus() {
    appkit::performOnMainThread([] {
        ApplicationMenus& app = App();
        if (app.delegate)
            return;
        app.delegate = Retained<RTMenuDelegateObject>::adopt(
            static_cast<RTMenuDelegateObject*>(objc::createInstance("RTMenuDelegate"_class)));
        BuildApplicationMenu();
        app.defaultBar = Retained<NSMenuObject>::adopt(appkit::newMenu(u""));
        InstallMenuBar(app.defaultBar.get(), -1);
    });
}

std::int64_t CreateMenuBar(core::ObjectNumber number, NSWindowObject* window) {
    CurrentMenu* current = ThreadMenu();
    if (current == nullptr)
        return 0;
    std::int64_t result = 0;
    NSMenuObject* bar = nullptr;
    appkit::performOnMainThread([&] {
        MenuBarRecord* record = core::ObtainObject(Registry(), number);
        if (record == nullptr)
            return;
        record->menu = Retained<NSMenuObject>::adopt(appkit::newMenu(u""));
        if (!record->menu) {
            core::ReleaseObject(
                Registry(), number == core::AnyObjectNumber ? core::ObjectHandle(record) : number);
            return;
        }
        record->titles.reserve(5);
        record->menus.reserve(5);
        record->menuObject = Retained<RTMenuObject>::adopt(
            static_cast<RTMenuObject*>(objc::createInstance("RTMenuObject"_class)));
        record->menuObject->Menu = record;
        record->window = window;
        bar = record->menu.get();
        number = number == core::AnyObjectNumber ? core::ObjectHandle(record) : number;
        result =
            number == core::ObjectHandle(record) ? number : reinterpret_cast<std::int64_t>(bar);
        if (window != nullptr) {
            window->setMenu(bar); // shown in the window: there is no global menu bar here
            if (window->isKeyWindow())
                InstallMenuBar(bar, WindowNumberFromNative(window));
        }
    });
    if (bar != nullptr) {
        current->number = number;
        current->bar = bar;
        current->titleMenu = Retained<NSMenuObject>();
    }
    return result;
}

NSMenuObject* AddMenuTitle(core::TextView title) {
    CurrentMenu* current = ThreadMenu();
    if (current == nullptr)
        return nullptr;
    return appkit::onMainThread([&]() -> NSMenuObject* {
        MenuBarRecord* record = CurrentRecord(*current);
        if (record == nullptr)
            return nullptr;
        auto item = MakeItem(u"", nullptr, u"");
        item->setTag(-1);
        auto menu = Retained<NSMenuObject>::adopt(appkit::newMenu(StripMenuAmpersands(title)));
        menu->setAutoenablesItems(false);
        item->setSubmenu(menu.get());
        record->menu->addItem(item.get());
        record->titles.push_back(menu);
        record->menus.push_back(menu);
        current->titleMenu = menu;
        return menu.get();
    });
}

void AddMenuItem(std::int32_t item, core::TextView text, id image) {
    CurrentMenu* current = ThreadMenu();
    if (current == nullptr)
        return;
    appkit::performOnMainThread([&] {
        MenuBarRecord* record = CurrentRecord(*current);
        ApplicationMenus& app = App();
        if (item == kQuitItem || item == kPreferencesItem || item == kAboutItem) {
            if (record == nullptr)
                return;
            objc::send<void>(app.delegate.get(), "setWindowID:"_sel,
                             WindowNumberFromNative(record->window));
            if (item == kAboutItem)
                app.about->setTarget(app.delegate.get());
            else if (item == kPreferencesItem)
                app.preferences->setTarget(app.delegate.get());
            return;
        }
        if (record == nullptr || !current->titleMenu)
            return;
        const MenuItemText parsed = ParseMenuItemText(text);
        auto native =
            MakeItem(parsed.title, "eventHandler:", parsed.keyEquivalent, parsed.modifierMask);
        native->setKeyEquivalentModifierMask(parsed.modifierMask);
        native->setTag(item);
        native->setRepresentedObject(record->menuObject.get());
        native->setTarget(app.delegate.get());
        if (record->itemImage != 0)
            native->setImage(image);
        current->titleMenu->addItem(native.get());
    });
}

void AddMenuSeparator() {
    CurrentMenu* current = ThreadMenu();
    if (current == nullptr)
        return;
    appkit::performOnMainThread([&] {
        if (CurrentRecord(*current) != nullptr && current->titleMenu)
            AddSeparator(current->titleMenu.get());
    });
}

void FreeMenuBar(core::ObjectNumber number) {
    appkit::performOnMainThread([&] {
        if (number == -1) {
            std::vector<core::ObjectNumber> numbers;
            core::ObjectScan<MenuBarRecord> scan(Registry());
            core::ObjectNumber each = 0;
            while (scan.next(&each) != nullptr)
                numbers.push_back(each);
            for (core::ObjectNumber bar : numbers)
                FreeMenuBar(bar);
            return;
        }
        MenuBarRecord* record = core::FindObject(Registry(), number);
        if (record == nullptr)
            return;
        appkit::NSApplicationObject* application = appkit::NSApplicationObject::shared();
        if (application->mainMenu() == record->menu.get())
            InstallMenuBar(App().defaultBar.get(), -1);
        if (record->window != nullptr && record->window->menu() == record->menu.get())
            record->window->setMenu(nullptr);
        record->titles.clear();
        record->menus.clear();
        if (record->menuObject)
            record->menuObject->Menu = nullptr;
        core::ReleaseObject(Registry(), number);
    });
}

void InstallMenuBar(NSMenuObject* menu, std::int64_t window) {
    appkit::performOnMainThread([&] {
        ApplicationMenus& app = App();
        if (menu == nullptr || !app.appleItem)
            return;
        if (NSMenuObject* holder = app.appleItem->menu())
            holder->removeItem(app.appleItem.get());
        menu->insertItem(app.appleItem.get(), 0);
        appkit::NSApplicationObject::shared()->setMainMenu(menu);
        objc::send<void>(app.delegate.get(), "setWindowID:"_sel, window);
    });
}

void InstallWindowMenuBar(NSWindowObject* window, std::int64_t windowNumber) {
    appkit::performOnMainThread([&] {
        NSMenuObject* found = nullptr;
        {
            core::ObjectScan<MenuBarRecord> scan(Registry());
            while (const MenuBarRecord* record = scan.next()) {
                if (record->window == window && record->notABar == 0) {
                    found = record->menu.get();
                    break;
                }
            }
        }
        if (found != nullptr)
            InstallMenuBar(found, windowNumber);
    });
}

void FreeWindowMenuBar(NSWindowObject* window) {
    appkit::performOnMainThread([&] {
        core::ObjectNumber found = -1;
        {
            core::ObjectScan<MenuBarRecord> scan(Registry());
            core::ObjectNumber each = 0;
            while (const MenuBarRecord* record = scan.next(&each)) {
                if (record->window == window) {
                    found = each;
                    break;
                }
            }
        }
        if (found != -1)
            FreeMenuBar(found);
    });
}

} // namespace sondrel::windowing
