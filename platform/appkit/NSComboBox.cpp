#include "platform/appkit/NSComboBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

class ComboWidget final : public QComboBox {
public:
    explicit ComboWidget(NSComboBoxObject* owner) : m_owner(owner) {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
        QObject::connect(this, &QComboBox::activated, this,
                         [this](int row) { m_owner->userChoseRow(row); });
    }

    void showPopup() override {
        m_owner->reloadList();
        QComboBox::showPopup();
    }

private:
    NSComboBoxObject* m_owner; // the combo box owns this widget
};

} // namespace

NSComboBoxObject::NSComboBoxObject(Class cls) : NSTextFieldObject(cls) {
    auto* combo = new ComboWidget(this);
    adoptWidget(combo);
    combo->setCompleter(nullptr);
    attachFieldBehaviour(this, combo->lineEdit(), combo);
    applyLook();
}

QComboBox* NSComboBoxObject::comboBox() const {
    return qobject_cast<QComboBox*>(widget());
}

QLineEdit* NSComboBoxObject::lineEdit() const {
    const QComboBox* combo = comboBox();
    return combo != nullptr ? combo->lineEdit() : nullptr;
}

// The combo box draws the frame; its line edit must not draw a second one.
void NSComboBoxObject::applyLook() {
    NSTextFieldObject::applyLook();
    if (QLineEdit* edit = lineEdit())
        edit->setFrame(false);
    if (QComboBox* combo = comboBox())
        combo->setFocusPolicy(isSelectable() ? Qt::StrongFocus : Qt::NoFocus);
}

void NSComboBoxObject::setCompletes(bool flag) {
    m_completes = flag; // completion from the list is not offered; the flag is kept
}

NSInteger NSComboBoxObject::numberOfItems() const {
    if (!m_usesDataSource || m_dataSource == nullptr)
        return 0;
    return std::max<NSInteger>(
        0, objc::send<NSInteger>(m_dataSource, "numberOfItemsInComboBox:"_sel,
                                 static_cast<id>(const_cast<NSComboBoxObject*>(this))));
}

std::u16string NSComboBoxObject::itemText(NSInteger index) const {
    if (!m_usesDataSource || m_dataSource == nullptr)
        return {};
    objc::AutoreleasePool pool;
    const id value = objc::send<id>(m_dataSource, "comboBox:objectValueForItemAtIndex:"_sel,
                                    static_cast<id>(const_cast<NSComboBoxObject*>(this)), index);
    return objc::nativeStringText(value);
}

void NSComboBoxObject::selectItemAtIndex(NSInteger index) {
    if (index < 0 || index >= numberOfItems())
        return;
    m_selectedIndex = index;
    setStringValue(itemText(index));
}

void NSComboBoxObject::deselectItemAtIndex(NSInteger index) {
    if (index == m_selectedIndex)
        m_selectedIndex = -1;
}

void NSComboBoxObject::reloadList() {
    QComboBox* combo = comboBox();
    QLineEdit* edit = lineEdit();
    if (combo == nullptr || edit == nullptr)
        return;
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    {
        const QSignalBlocker blocker(combo);
        combo->clear();
        const NSInteger count = numberOfItems();
        for (NSInteger i = 0; i < count; ++i)
            combo->addItem(toQString(itemText(i)));
        combo->setCurrentIndex(m_selectedIndex >= 0 && m_selectedIndex < count
                                   ? static_cast<int>(m_selectedIndex)
                                   : -1);
    }
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

void NSComboBoxObject::userChoseRow(int row) {
    Retained<NSComboBoxObject> keepAlive = Retained<NSComboBoxObject>::retain(this);
    if (row < 0 || row >= numberOfItems())
        return;
    m_selectedIndex = row;
    setStringValue(itemText(row));
    sendAction();
}

namespace {

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSComboBox", "NSTextField",
                          objc::factoryFor<NSComboBoxObject, OnMainThread>())
        .instanceMethod<&NSComboBoxObject::setUsesDataSource, OnMainThread>("setUsesDataSource:")
        .instanceMethod<&NSComboBoxObject::usesDataSource, OnMainThread>("usesDataSource")
        .instanceMethod<&NSComboBoxObject::setDataSource, OnMainThread>("setDataSource:")
        .instanceMethod<&NSComboBoxObject::dataSource, OnMainThread>("dataSource")
        .instanceMethod<&NSComboBoxObject::setCompletes, OnMainThread>("setCompletes:")
        .instanceMethod<&NSComboBoxObject::completes, OnMainThread>("completes")
        .instanceMethod<&NSComboBoxObject::numberOfItems, OnMainThread>("numberOfItems")
        .instanceMethod<&NSComboBoxObject::selectItemAtIndex, OnMainThread>("selectItemAtIndex:")
        .instanceMethod<&NSComboBoxObject::deselectItemAtIndex, OnMainThread>(
            "deselectItemAtIndex:")
        .instanceMethod<&NSComboBoxObject::indexOfSelectedItem, OnMainThread>("indexOfSelectedItem")
        .instanceMethod<&NSComboBoxObject::reloadList, OnMainThread>("reloadData")
        .instanceMethod<&NSComboBoxObject::reloadList, OnMainThread>("noteNumberOfItemsChanged")};

} // namespace
} // namespace sondrel::appkit
