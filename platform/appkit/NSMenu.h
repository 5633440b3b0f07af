#pragma once

// NSMenu and NSMenuItem over Qt menus and actions.
//
// Each menu owns a QMenu holding its items' actions; a menu used as a window's menu bar also
// shows the same actions in a QMenuBar (a bar item shows its submenu's title when it has one).
// A chosen item, or a key press matching its key equivalent (performKeyEquivalent:), sends the
// item's action to its target through the application (a nil target means the first object of
// the responder chain that answers the action). With autoenablesItems, an item is enabled when
// such a target exists; the state is brought up to date before a menu opens and before a key
// equivalent is tried.
//
// Key equivalents are shown after the title in Qt's way ("Ctrl+Q"); Qt's own shortcut machinery
// is not used, so the application decides which window or menu a key press goes to.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Retained.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace sondrel::appkit {

class NSEventObject;
class NSMenuObject;

class NSMenuItemObject : public objc::Object {
public:
    explicit NSMenuItemObject(Class cls);
    ~NSMenuItemObject() override;

    void setTitle(const std::u16string& title);
    const std::u16string& title() const { return m_title; }
    void setAction(SEL action) { m_action = action; }
    SEL action() const { return m_action; }
    void setTarget(id target) { m_target = target; }
    id target() const { return m_target; }
    void setKeyEquivalent(const std::u16string& key);
    const std::u16string& keyEquivalent() const { return m_keyEquivalent; }
    void setKeyEquivalentModifierMask(NSUInteger mask);
    NSUInteger keyEquivalentModifierMask() const { return m_modifierMask; }
    void setTag(NSInteger tag) { m_tag = tag; }
    NSInteger tag() const { return m_tag; }
    void setRepresentedObject(id object) {
        m_representedObject = Retained<objc::Object>::retain(object);
    }
    id representedObject() const { return m_representedObject.get(); }
    void setSubmenu(NSMenuObject* menu);
    NSMenuObject* submenu() const { return m_submenu.get(); }
    void setImage(id image) { m_image = Retained<objc::Object>::retain(image); }
    id image() const { return m_image.get(); }
    void makeSeparator();
    bool isSeparatorItem() const { return m_separator; }
    void setEnabled(bool enabled);
    // With an autoenabling menu, whether the action has a target now; else the flag set.
    bool isEnabled() const;
    NSMenuObject* menu() const { return m_menu; }

    // Sends the action to its target; false when it is disabled or nothing answered.
    bool perform();
    // True when the key event's characters and modifiers are this item's key equivalent.
    bool matchesKeyEvent(const NSEventObject& event) const;

    QAction* action_() const;
    void setOwningMenu(NSMenuObject* menu) { m_menu = menu; }
    // The text the Qt action shows (in a menu bar: the submenu's title, if any).
    void refreshAction();

private:
    struct Native;
    std::unique_ptr<Native> m_native;
    std::u16string m_title;
    SEL m_action = nullptr;
    id m_target = nullptr; // not retained, as in Cocoa
    std::u16string m_keyEquivalent;
    NSUInteger m_modifierMask = NSEventModifierFlagCommand;
    NSInteger m_tag = 0;
    Retained<objc::Object> m_representedObject;
    Retained<NSMenuObject> m_submenu;
    Retained<objc::Object> m_image;
    NSMenuObject* m_menu = nullptr; // borrowed: the menu holding this item
    bool m_separator = false;
    bool m_enabled = true;
};

class NSMenuObject : public objc::Object {
public:
    explicit NSMenuObject(Class cls);
    ~NSMenuObject() override;

    void setTitle(const std::u16string& title);
    const std::u16string& title() const { return m_title; }
    void setAutoenablesItems(bool flag) { m_autoenables = flag; }
    bool autoenablesItems() const { return m_autoenables; }

    void addItem(NSMenuItemObject* item);
    void insertItem(NSMenuItemObject* item, NSInteger index);
    void removeItem(NSMenuItemObject* item);
    void removeAllItems();
    NSInteger numberOfItems() const { return static_cast<NSInteger>(m_items.size()); }
    NSMenuItemObject* itemAtIndex(NSInteger index) const;
    NSInteger indexOfItem(const NSMenuItemObject* item) const;
    NSMenuItemObject* supermenuItem() const { return m_supermenuItem; }

    // Brings the enabled state of the items (and of submenus) up to date.
    void update();
    bool performKeyEquivalent(const NSEventObject& event);
    bool performActionForItemAtIndex(NSInteger index);

    QMenu* qmenu() const;
    // A menu bar showing this menu's items inside `window` (owned by the window widget).
    QMenuBar* makeMenuBar(QWidget* window);
    void detachMenuBar(QMenuBar* bar);
    void setSupermenuItem(NSMenuItemObject* item) { m_supermenuItem = item; }

private:
    struct Native;
    std::unique_ptr<Native> m_native;
    std::u16string m_title;
    std::vector<Retained<NSMenuItemObject>> m_items;
    NSMenuItemObject* m_supermenuItem = nullptr; // borrowed
    bool m_autoenables = true;
};

// New objects owned by the caller.
NSMenuObject* newMenu(const std::u16string& title);
NSMenuItemObject* newMenuItem(const std::u16string& title, SEL action,
                              const std::u16string& keyEquivalent);
NSMenuItemObject* newSeparatorItem();

} // namespace sondrel::appkit
