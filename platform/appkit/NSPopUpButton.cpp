#include "platform/appkit/NSPopUpButton.h"

#include <QAction>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionComboBox>
#include <QWidget>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSImage.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

QIcon iconOf(id image) {
    const auto* native = objc::liveCast<NSImageObject>(image);
    return native != nullptr && !native->image().isNull()
               ? QIcon(QPixmap::fromImage(native->imageAtSize()))
               : QIcon();
}

// Drawn as a combo box showing the selected item; opens the menu on a press.
class PopUpWidget final : public QWidget {
public:
    explicit PopUpWidget(NSPopUpButtonObject* button) : m_button(button) {
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.editable = false;
        NSMenuItemObject* item = m_button->selectedItem();
        option.currentText = item != nullptr ? toQString(item->title()) : QString();
        option.currentIcon = item != nullptr ? iconOf(item->image()) : QIcon();
        option.iconSize = QSize(16, 16);
        style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
        style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, this);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && isEnabled())
            m_button->popUp();
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Down ||
            event->key() == Qt::Key_Up)
            m_button->popUp();
        else
            QWidget::keyPressEvent(event);
    }

private:
    NSPopUpButtonObject* m_button; // the button owns this widget
};

} // namespace

NSPopUpButtonObject::NSPopUpButtonObject(Class cls) : NSButtonObject(cls) {
    m_menu = Retained<NSMenuObject>::adopt(newMenu(u""));
    if (m_menu)
        m_menu->setAutoenablesItems(false); // items without actions are still choosable
    adoptWidget(new PopUpWidget(this));
}

NSPopUpButtonObject::~NSPopUpButtonObject() = default;

void NSPopUpButtonObject::setPullsDown(bool flag) {
    m_pullsDown = flag;
    synchronizeTitle();
}

void NSPopUpButtonObject::addItem(const std::u16string& title) {
    insertItem(title, -1);
}

void NSPopUpButtonObject::insertItem(const std::u16string& title, NSInteger index) {
    auto item = Retained<NSMenuItemObject>::adopt(newMenuItem(title, nullptr, u""));
    if (item)
        insertMenuItem(item.get(), index);
}

void NSPopUpButtonObject::insertMenuItem(NSMenuItemObject* item, NSInteger index) {
    if (!m_menu || item == nullptr)
        return;
    const NSInteger count = m_menu->numberOfItems();
    m_menu->insertItem(item, index < 0 || index > count ? count : index);
    if (count == 0 && !m_pullsDown)
        m_selected = Retained<NSMenuItemObject>::retain(item);
    synchronizeTitle();
}

void NSPopUpButtonObject::removeItemAtIndex(NSInteger index) {
    if (NSMenuItemObject* item = itemAtIndex(index))
        m_menu->removeItem(item);
    synchronizeTitle();
}

void NSPopUpButtonObject::removeAllItems() {
    if (m_menu)
        m_menu->removeAllItems();
    m_selected.reset();
    synchronizeTitle();
}

NSInteger NSPopUpButtonObject::numberOfItems() const {
    return m_menu ? m_menu->numberOfItems() : NSInteger{0};
}

NSMenuItemObject* NSPopUpButtonObject::itemAtIndex(NSInteger index) const {
    return m_menu ? m_menu->itemAtIndex(index) : nullptr;
}

NSInteger NSPopUpButtonObject::indexOfItemWithTitle(const std::u16string& title) const {
    for (NSInteger i = 0; m_menu && i < m_menu->numberOfItems(); ++i) {
        if (m_menu->itemAtIndex(i)->title() == title)
            return i;
    }
    return -1;
}

void NSPopUpButtonObject::selectItemAtIndex(NSInteger index) {
    selectItem(itemAtIndex(index));
}

void NSPopUpButtonObject::selectItem(NSMenuItemObject* item) {
    m_selected = Retained<NSMenuItemObject>::retain(item);
    synchronizeTitle();
}

NSInteger NSPopUpButtonObject::indexOfSelectedItem() const {
    return m_menu && m_selected ? m_menu->indexOfItem(m_selected.get()) : -1;
}

NSMenuItemObject* NSPopUpButtonObject::selectedItem() const {
    return indexOfSelectedItem() >= 0 ? m_selected.get() : nullptr;
}

std::u16string NSPopUpButtonObject::titleOfSelectedItem() const {
    NSMenuItemObject* item = selectedItem();
    return item != nullptr ? item->title() : std::u16string();
}

void NSPopUpButtonObject::setStringValue(const std::u16string& value) {
    selectItemAtIndex(indexOfItemWithTitle(value));
}

void NSPopUpButtonObject::synchronizeTitle() {
    if (QWidget* widget = this->widget())
        widget->update();
}

void NSPopUpButtonObject::chooseItem(NSInteger index) {
    NSMenuItemObject* item = itemAtIndex(index);
    if (item == nullptr || !isEnabled())
        return;
    Retained<NSPopUpButtonObject> keepAlive = Retained<NSPopUpButtonObject>::retain(this);
    selectItem(item);
    sendAction();
}

void NSPopUpButtonObject::popUp() {
    QWidget* widget = this->widget();
    if (!m_menu || widget == nullptr || m_menu->numberOfItems() == 0)
        return;
    Retained<NSPopUpButtonObject> keepAlive = Retained<NSPopUpButtonObject>::retain(this);
    Retained<NSMenuObject> menu = m_menu;
    NSMenuItemObject* selected = selectedItem();
    for (NSInteger i = 0; i < menu->numberOfItems(); ++i) {
        NSMenuItemObject* item = menu->itemAtIndex(i);
        if (QAction* action = item->action_()) {
            action->setCheckable(true);
            action->setChecked(item == selected);
            action->setIcon(iconOf(item->image()));
        }
    }
    QMenu* qmenu = menu->qmenu();
    qmenu->setMinimumWidth(widget->width());
    QAction* chosen = qmenu->exec(widget->mapToGlobal(QPoint(0, widget->height())),
                                  selected != nullptr ? selected->action_() : nullptr);
    for (NSInteger i = 0; chosen != nullptr && i < menu->numberOfItems(); ++i) {
        if (menu->itemAtIndex(i)->action_() == chosen) {
            chooseItem(i);
            break;
        }
    }
}

namespace {

id initWithFramePullsDown(NSPopUpButtonObject* self, SEL, NSRect frame, BOOL pullsDown) {
    self->setFrame(frame);
    self->setPullsDown(pullsDown != NO);
    return self;
}
id itemTitleAtIndex(NSPopUpButtonObject* self, SEL, NSInteger index) {
    NSMenuItemObject* item = self->itemAtIndex(index);
    return objc::autoreleasedNativeString(item != nullptr ? item->title() : std::u16string());
}
// A nil title (or one no item has) removes the selection.
void selectItemWithTitle(NSPopUpButtonObject* self, SEL, id title) {
    self->selectItemAtIndex(
        title != nullptr ? self->indexOfItemWithTitle(objc::nativeStringText(title)) : -1);
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSPopUpButton", "NSButton",
                          objc::factoryFor<NSPopUpButtonObject, OnMainThread>())
        .instanceMethod<&initWithFramePullsDown, OnMainThread>("initWithFrame:pullsDown:")
        .instanceMethod<&NSPopUpButtonObject::setPullsDown, OnMainThread>("setPullsDown:")
        .instanceMethod<&NSPopUpButtonObject::pullsDown, OnMainThread>("pullsDown")
        .instanceMethod<&NSPopUpButtonObject::menu, OnMainThread>("menu")
        .instanceMethod<&NSPopUpButtonObject::addItem, OnMainThread>("addItemWithTitle:")
        .instanceMethod<&NSPopUpButtonObject::insertItem, OnMainThread>(
            "insertItemWithTitle:atIndex:")
        .instanceMethod<&NSPopUpButtonObject::removeItemAtIndex, OnMainThread>("removeItemAtIndex:")
        .instanceMethod<&NSPopUpButtonObject::removeAllItems, OnMainThread>("removeAllItems")
        .instanceMethod<&NSPopUpButtonObject::numberOfItems, OnMainThread>("numberOfItems")
        .instanceMethod<&NSPopUpButtonObject::itemAtIndex, OnMainThread>("itemAtIndex:")
        .instanceMethod<&itemTitleAtIndex, OnMainThread>("itemTitleAtIndex:")
        .instanceMethod<&NSPopUpButtonObject::indexOfItemWithTitle, OnMainThread>(
            "indexOfItemWithTitle:")
        .instanceMethod<&NSPopUpButtonObject::selectItemAtIndex, OnMainThread>("selectItemAtIndex:")
        .instanceMethod<&selectItemWithTitle, OnMainThread>("selectItemWithTitle:")
        .instanceMethod<&NSPopUpButtonObject::selectItem, OnMainThread>("selectItem:")
        .instanceMethod<&NSPopUpButtonObject::indexOfSelectedItem, OnMainThread>(
            "indexOfSelectedItem")
        .instanceMethod<&NSPopUpButtonObject::selectedItem, OnMainThread>("selectedItem")
        .instanceMethod<&NSPopUpButtonObject::titleOfSelectedItem, OnMainThread>(
            "titleOfSelectedItem")
        .instanceMethod<&NSPopUpButtonObject::synchronizeTitle, OnMainThread>(
            "synchronizeTitleAndSelectedItem")};

} // namespace
} // namespace sondrel::appkit
