#pragma once

// NSPopUpButton: a button showing the title of its selected item that opens its menu (an NSMenu
// of NSMenuItems) when pressed. Choosing an item selects it and sends the button's action.
//
// Like Cocoa's, the first item added to an empty pop-up is selected; the selection can be
// removed with selectItem: nil (or selectItemWithTitle: nil), and is then -1 until another
// item is selected. Changing a
// menu item's title or image directly shows on the button after
// synchronizeTitleAndSelectedItem.

#include <string>

#include "platform/appkit/NSButton.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

class NSPopUpButtonObject : public NSButtonObject {
public:
    explicit NSPopUpButtonObject(Class cls);
    ~NSPopUpButtonObject() override;

    void setPullsDown(bool flag);
    bool pullsDown() const { return m_pullsDown; }
    NSMenuObject* menu() const { return m_menu.get(); }

    void addItem(const std::u16string& title);
    void insertItem(const std::u16string& title, NSInteger index);
    // Inserts an existing item (it must not belong to another menu).
    void insertMenuItem(NSMenuItemObject* item, NSInteger index);
    void removeItemAtIndex(NSInteger index);
    void removeAllItems();
    NSInteger numberOfItems() const;
    NSMenuItemObject* itemAtIndex(NSInteger index) const;
    NSInteger indexOfItemWithTitle(const std::u16string& title) const;

    // -1 (or any index outside the items) removes the selection.
    void selectItemAtIndex(NSInteger index);
    void selectItem(NSMenuItemObject* item);
    NSInteger indexOfSelectedItem() const;
    NSMenuItemObject* selectedItem() const;
    std::u16string titleOfSelectedItem() const;
    void synchronizeTitle();

    // What the user's choice of an item does: select it and send the action.
    void chooseItem(NSInteger index);
    // Opens the menu under the button (modal until the user chooses or dismisses it).
    void popUp();

    void setButtonType(NSUInteger) override {}
    std::u16string stringValue() const override { return titleOfSelectedItem(); }
    void setStringValue(const std::u16string& value) override;
    NSInteger intValue() const override { return indexOfSelectedItem(); }
    void setIntValue(NSInteger value) override { selectItemAtIndex(value); }

private:
    Retained<NSMenuObject> m_menu;
    Retained<NSMenuItemObject> m_selected; // kept even if removed from the menu (then no selection)
    bool m_pullsDown = false;
};

} // namespace sondrel::appkit
