#include "platform/appkit/NSMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "platform/appkit/KeyTranslation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

constexpr NSUInteger kModifierKeys = NSEventModifierFlagShift | NSEventModifierFlagControl |
                                     NSEventModifierFlagOption | NSEventModifierFlagCommand;

char16_t lowerCase(char16_t character) {
    return QChar(character).toLower().unicode();
}

QString escapedTitle(const std::u16string& title) {
    return QString::fromStdU16String(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

struct NSMenuItemObject::Native {
    QPointer<QAction> action;
};

NSMenuItemObject::NSMenuItemObject(Class cls) : objc::Object(cls), m_native(new Native) {
    auto* action = new QAction; // deleted with the item
    m_native->action = action;
    QObject::connect(action, &QAction::triggered, action, [this] {
        Retained<NSMenuItemObject> keepAlive = Retained<NSMenuItemObject>::retain(this);
        perform();
    });
}

NSMenuItemObject::~NSMenuItemObject() {
    if (QAction* action = m_native->action.data()) {
        action->disconnect();
        action->setMenu(static_cast<QMenu*>(nullptr));
        action->deleteLater(); // it may be the action being triggered
    }
}

QAction* NSMenuItemObject::action_() const {
    return m_native->action.data();
}

void NSMenuItemObject::refreshAction() {
    QAction* action = m_native->action.data();
    if (action == nullptr)
        return;
    std::u16string shown = m_title;
    if (m_submenu && !m_submenu->title().empty())
        shown = m_submenu->title();
    QString text = escapedTitle(shown);
    const QKeySequence sequence = qtKeySequence(m_keyEquivalent, m_modifierMask);
    if (!sequence.isEmpty())
        text += QLatin1Char('\t') + sequence.toString(QKeySequence::NativeText);
    action->setText(text);
    action->setSeparator(m_separator);
    action->setEnabled(isEnabled());
}

void NSMenuItemObject::setTitle(const std::u16string& title) {
    m_title = title;
    refreshAction();
}

void NSMenuItemObject::setKeyEquivalent(const std::u16string& key) {
    m_keyEquivalent = key;
    refreshAction();
}

void NSMenuItemObject::setKeyEquivalentModifierMask(NSUInteger mask) {
    m_modifierMask = mask;
    refreshAction();
}

void NSMenuItemObject::setSubmenu(NSMenuObject* menu) {
    if (m_submenu)
        m_submenu->setSupermenuItem(nullptr);
    m_submenu = Retained<NSMenuObject>::retain(menu);
    if (QAction* action = m_native->action.data())
        action->setMenu(menu != nullptr ? menu->qmenu() : static_cast<QMenu*>(nullptr));
    if (menu != nullptr)
        menu->setSupermenuItem(this);
    refreshAction();
}

void NSMenuItemObject::makeSeparator() {
    m_separator = true;
    refreshAction();
}

void NSMenuItemObject::setEnabled(bool enabled) {
    m_enabled = enabled;
    refreshAction();
}

bool NSMenuItemObject::isEnabled() const {
    if (m_separator)
        return false;
    if (m_menu == nullptr || !m_menu->autoenablesItems())
        return m_enabled;
    if (m_submenu)
        return true;
    if (m_action == nullptr)
        return false;
    NSApplicationObject* app = NSApplicationObject::existing();
    const id target = m_target != nullptr ? m_target
                      : app != nullptr    ? app->targetForAction(m_action)
                                          : nullptr;
    return target != nullptr && objc::findMethod(target, m_action) != nullptr;
}

bool NSMenuItemObject::perform() {
    if (m_action == nullptr || !isEnabled())
        return false;
    return NSApplicationObject::shared()->sendAction(m_action, m_target, this);
}

bool NSMenuItemObject::matchesKeyEvent(const NSEventObject& event) const {
    if (m_keyEquivalent.size() != 1 || event.charactersIgnoringModifiers.size() != 1)
        return false;
    const char16_t key = m_keyEquivalent[0];
    NSUInteger wanted = m_modifierMask & kModifierKeys;
    if (QChar(key).isUpper())
        wanted |= NSEventModifierFlagShift;
    if ((event.modifierFlags & kModifierKeys) != wanted)
        return false;
    return lowerCase(event.charactersIgnoringModifiers[0]) == lowerCase(key);
}

struct NSMenuObject::Native {
    std::unique_ptr<QMenu> menu;
    std::vector<QPointer<QMenuBar>> bars;
};

NSMenuObject::NSMenuObject(Class cls) : objc::Object(cls), m_native(new Native) {
    m_native->menu = std::make_unique<QMenu>();
    QObject::connect(m_native->menu.get(), &QMenu::aboutToShow, m_native->menu.get(),
                     [this] { update(); });
}

NSMenuObject::~NSMenuObject() {
    for (const Retained<NSMenuItemObject>& item : m_items)
        item->setOwningMenu(nullptr);
    m_items.clear();
    for (const QPointer<QMenuBar>& bar : m_native->bars) {
        if (bar)
            bar->clear();
    }
    m_native->menu->disconnect();
    m_native->menu.release()->deleteLater(); // it may be showing
}

QMenu* NSMenuObject::qmenu() const {
    return m_native->menu.get();
}

void NSMenuObject::setTitle(const std::u16string& title) {
    m_title = title;
    m_native->menu->setTitle(escapedTitle(title));
    if (m_supermenuItem != nullptr)
        m_supermenuItem->refreshAction();
}

void NSMenuObject::addItem(NSMenuItemObject* item) {
    insertItem(item, numberOfItems());
}

void NSMenuObject::insertItem(NSMenuItemObject* item, NSInteger index) {
    if (item == nullptr || item->menu() != nullptr)
        return; // an item belongs to one menu at a time
    index = std::clamp<NSInteger>(index, 0, numberOfItems());
    QAction* before = index < numberOfItems() ? m_items[index]->action_() : nullptr;
    m_items.insert(m_items.begin() + index, Retained<NSMenuItemObject>::retain(item));
    item->setOwningMenu(this);
    if (QAction* action = item->action_()) {
        m_native->menu->insertAction(before, action);
        for (const QPointer<QMenuBar>& bar : m_native->bars) {
            if (bar)
                bar->insertAction(before, action);
        }
    }
    item->refreshAction();
}

void NSMenuObject::removeItem(NSMenuItemObject* item) {
    const NSInteger index = indexOfItem(item);
    if (index < 0)
        return;
    if (QAction* action = item->action_()) {
        m_native->menu->removeAction(action);
        for (const QPointer<QMenuBar>& bar : m_native->bars) {
            if (bar)
                bar->removeAction(action);
        }
    }
    item->setOwningMenu(nullptr);
    Retained<NSMenuItemObject> last = std::move(m_items[index]);
    m_items.erase(m_items.begin() + index);
}

void NSMenuObject::removeAllItems() {
    while (numberOfItems() > 0)
        removeItem(m_items.back().get());
}

NSMenuItemObject* NSMenuObject::itemAtIndex(NSInteger index) const {
    return index >= 0 && index < numberOfItems() ? m_items[index].get() : nullptr;
}

NSInteger NSMenuObject::indexOfItem(const NSMenuItemObject* item) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item)
            return static_cast<NSInteger>(i);
    }
    return -1;
}

void NSMenuObject::update() {
    for (const Retained<NSMenuItemObject>& item : m_items) {
        item->refreshAction();
        if (item->submenu() != nullptr)
            item->submenu()->update();
    }
}

bool NSMenuObject::performKeyEquivalent(const NSEventObject& event) {
    const std::vector<Retained<NSMenuItemObject>> items = m_items;
    for (const Retained<NSMenuItemObject>& item : items) {
        if (NSMenuObject* submenu = item->submenu()) {
            if (submenu->performKeyEquivalent(event))
                return true;
        } else if (item->matchesKeyEvent(event) && item->isEnabled()) {
            return item->perform();
        }
    }
    return false;
}

bool NSMenuObject::performActionForItemAtIndex(NSInteger index) {
    NSMenuItemObject* item = itemAtIndex(index);
    if (item == nullptr)
        return false;
    Retained<NSMenuItemObject> keepAlive = Retained<NSMenuItemObject>::retain(item);
    return item->perform();
}

QMenuBar* NSMenuObject::makeMenuBar(QWidget* window) {
    auto* bar = new QMenuBar(window); // owned by the window widget
    bar->setNativeMenuBar(false);
    for (const Retained<NSMenuItemObject>& item : m_items) {
        if (QAction* action = item->action_())
            bar->addAction(action);
    }
    m_native->bars.push_back(QPointer<QMenuBar>(bar));
    update();
    return bar;
}

void NSMenuObject::detachMenuBar(QMenuBar* bar) {
    std::erase_if(m_native->bars, [&](const QPointer<QMenuBar>& held) {
        return held.isNull() || held.data() == bar;
    });
    if (bar != nullptr)
        bar->clear();
}

NSMenuObject* newMenu(const std::u16string& title) {
    auto* menu = static_cast<NSMenuObject*>(objc::createInstance("NSMenu"_class));
    if (menu != nullptr)
        menu->setTitle(title);
    return menu;
}

NSMenuItemObject* newMenuItem(const std::u16string& title, SEL action,
                              const std::u16string& keyEquivalent) {
    auto* item = static_cast<NSMenuItemObject*>(objc::createInstance("NSMenuItem"_class));
    if (item != nullptr) {
        item->setTitle(title);
        item->setAction(action);
        item->setKeyEquivalent(keyEquivalent);
    }
    return item;
}

NSMenuItemObject* newSeparatorItem() {
    NSMenuItemObject* item = newMenuItem(u"", nullptr, u"");
    if (item != nullptr)
        item->makeSeparator();
    return item;
}

} // namespace sondrel::appkit
