#pragma once

// NSComboBox: an editable text field with a list of values to pick from, over an editable
// QComboBox. With usesDataSource the list is read from the data source each time it opens
// (numberOfItemsInComboBox:, comboBox:objectValueForItemAtIndex:), and the chosen value is read
// once more when the user picks it; the typed text is kept while the list is refreshed. Picking
// a value shows it, selects its index and sends the action; Return sends the action too.
// Everything a text field reports (see NSTextField.h) applies to the text part.

#include "platform/appkit/NSTextField.h"

class QComboBox;

namespace sondrel::appkit {

class NSComboBoxObject : public NSTextFieldObject {
public:
    explicit NSComboBoxObject(Class cls);

    QLineEdit* lineEdit() const override;
    QComboBox* comboBox() const;

    void setUsesDataSource(bool flag) { m_usesDataSource = flag; }
    bool usesDataSource() const { return m_usesDataSource; }
    void setDataSource(id source) { m_dataSource = source; }
    id dataSource() const { return m_dataSource; }
    void setCompletes(bool flag);
    bool completes() const { return m_completes; }

    NSInteger numberOfItems() const;
    // The data source's value at the index as text (empty when there is none).
    std::u16string itemText(NSInteger index) const;
    void selectItemAtIndex(NSInteger index);
    void deselectItemAtIndex(NSInteger index);
    NSInteger indexOfSelectedItem() const { return m_selectedIndex; }

    // Reads the list from the data source again, keeping the text being edited.
    void reloadList();
    // The user picked the list's row (what the widget reports).
    void userChoseRow(int row);

protected:
    void applyLook() override;

private:
    id m_dataSource = nullptr; // not retained, as in Cocoa
    bool m_usesDataSource = false;
    bool m_completes = false;
    NSInteger m_selectedIndex = -1;
};

} // namespace sondrel::appkit
