#include "platform/appkit/NSTextField.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSFormatter.h"
#include "platform/appkit/QtAlignment.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

const QString kEventsName = QStringLiteral("sondrelFieldEvents");
const QString kValidatorName = QStringLiteral("sondrelFormatterValidator");

// A line edit that lets a label refuse mouse selection.
class FieldLineEdit final : public QLineEdit {
public:
    explicit FieldLineEdit(NSTextFieldObject* field) : m_field(field) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (m_field->isSelectable())
            QLineEdit::mousePressEvent(event);
        else
            QWidget::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (m_field->isSelectable())
            QLineEdit::mouseMoveEvent(event);
        else
            QWidget::mouseMoveEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (m_field->isSelectable())
            QLineEdit::mouseDoubleClickEvent(event);
        else
            QWidget::mouseDoubleClickEvent(event);
    }

private:
    NSTextFieldObject* m_field; // the field owns this widget
};

// Asks the field's formatter about each edit the user makes.
class FormatterValidator final : public QValidator {
public:
    FormatterValidator(NSTextFieldObject* field, QObject* parent)
        : QValidator(parent), m_field(field) {
        setObjectName(kValidatorName);
    }

    void detach() { m_field = nullptr; }

    State validate(QString& input, int& position) const override {
        if (m_field == nullptr || m_field->settingText() || m_field->formatter() == nullptr)
            return Acceptable;
        std::u16string replacement;
        switch (partialStringVerdict(m_field->formatter(), input.toStdU16String(), replacement)) {
        case PartialVerdict::Accept:
            return Acceptable;
        case PartialVerdict::Replace:
            input = toQString(replacement);
            position = std::min(position, static_cast<int>(input.size()));
            return Acceptable;
        case PartialVerdict::Refuse:
            break;
        }
        return Invalid;
    }

private:
    NSTextFieldObject* m_field; // owns the line edit that owns this validator; null once gone
};

class FieldEvents final : public QObject {
public:
    FieldEvents(NSTextFieldObject* field, QObject* parent) : QObject(parent), m_field(field) {
        setObjectName(kEventsName);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FocusIn:
            m_field->focusTaken();
            break;
        case QEvent::FocusOut:
            // A popup (a combo box's list, a menu) borrows the focus without ending editing.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                m_field->editingEnded(false);
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                m_field->editingEnded(true);
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    NSTextFieldObject* m_field;
};

QColor nativeColor(id color) {
    return colorOf(color);
}

} // namespace

void attachFieldBehaviour(NSTextFieldObject* field, QLineEdit* edit, QWidget* focusWidget) {
    edit->setValidator(new FormatterValidator(field, edit));
    QObject::connect(edit, &QLineEdit::textEdited, edit, [field] { field->userEdited(); });
    QWidget* focus = focusWidget != nullptr ? focusWidget : edit;
    focus->installEventFilter(new FieldEvents(field, focus));
}

NSTextFieldObject::NSTextFieldObject(Class cls) : NSControlObject(cls) {
    auto* edit = new FieldLineEdit(this);
    adoptWidget(edit);
    attachFieldBehaviour(this, edit, nullptr);
    applyLook();
}

// The widgets outlive the field a little (they are deleted later, and hiding them moves the
// focus): nothing they report may reach the field any more.
NSTextFieldObject::~NSTextFieldObject() {
    QWidget* root = widget();
    if (root == nullptr)
        return;
    // Found by name: these classes have no meta-object of their own to cast with.
    for (QObject* events : root->findChildren<QObject*>(kEventsName))
        delete events;
    for (QObject* validator : root->findChildren<QObject*>(kValidatorName))
        static_cast<FormatterValidator*>(validator)->detach();
    if (QLineEdit* edit = lineEdit())
        QObject::disconnect(edit, &QLineEdit::textEdited, nullptr, nullptr);
}

QLineEdit* NSTextFieldObject::lineEdit() const {
    return qobject_cast<QLineEdit*>(widget());
}

void NSTextFieldObject::applyLook() {
    QLineEdit* edit = lineEdit();
    if (edit == nullptr)
        return;
    edit->setReadOnly(!m_editable);
    edit->setFrame(m_bezeled || m_bordered);
    edit->setFocusPolicy(isSelectable() ? Qt::StrongFocus : Qt::NoFocus);
    const QPalette standard = QApplication::palette(edit);
    QPalette palette = edit->palette();
    if (!m_drawsBackground) {
        palette.setBrush(QPalette::Base, Qt::transparent);
    } else if (auto* color = objc::liveCast<NSColorObject>(m_backgroundColor.get())) {
        palette.setBrush(QPalette::Base, color->brush());
    } else {
        palette.setBrush(QPalette::Base, standard.brush(QPalette::Base));
    }
    const QColor text = nativeColor(m_textColor.get());
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Text,
                         text.isValid() ? text : standard.color(group, QPalette::Text));
    }
    edit->setPalette(palette);
    edit->setAutoFillBackground(m_drawsBackground);
}

// As in Cocoa, an editable field is selectable and one that is not selectable is not editable.
void NSTextFieldObject::setEditable(bool flag) {
    m_editable = flag;
    if (flag)
        m_selectable = true;
    applyLook();
}

void NSTextFieldObject::setSelectable(bool flag) {
    m_selectable = flag;
    if (!flag)
        m_editable = false;
    applyLook();
}

void NSTextFieldObject::setBezeled(bool flag) {
    m_bezeled = flag;
    applyLook();
}

void NSTextFieldObject::setBordered(bool flag) {
    m_bordered = flag;
    applyLook();
}

void NSTextFieldObject::setDrawsBackground(bool flag) {
    m_drawsBackground = flag;
    applyLook();
}

void NSTextFieldObject::setBackgroundColor(id color) {
    m_backgroundColor = Retained<objc::Object>::retain(color);
    applyLook();
}

void NSTextFieldObject::setTextColor(id color) {
    m_textColor = Retained<objc::Object>::retain(color);
    applyLook();
}

void NSTextFieldObject::setPlaceholder(const std::u16string& text) {
    if (QLineEdit* edit = lineEdit())
        edit->setPlaceholderText(toQString(text));
}

std::u16string NSTextFieldObject::stringValue() const {
    const QLineEdit* edit = lineEdit();
    return edit != nullptr ? edit->text().toStdU16String() : std::u16string();
}

void NSTextFieldObject::setStringValue(const std::u16string& value) {
    QLineEdit* edit = lineEdit();
    if (edit == nullptr)
        return;
    m_settingText = true;
    edit->setText(toQString(value));
    if (!edit->hasFocus())
        edit->setCursorPosition(0); // show the beginning, as a field that is not edited does
    m_settingText = false;
}

void NSTextFieldObject::setAlignment(NSInteger alignment) {
    NSControlObject::setAlignment(alignment);
    if (QLineEdit* edit = lineEdit())
        edit->setAlignment(qtAlignmentFor(alignment) | Qt::AlignVCenter);
}

void NSTextFieldObject::formatterChanged() {}

void NSTextFieldObject::userEdited() {
    Retained<NSTextFieldObject> keepAlive = Retained<NSTextFieldObject>::retain(this);
    const SEL changed = objc::registerSelector("controlTextDidChange:");
    if (m_delegate != nullptr && objc::findMethod(m_delegate, changed) != nullptr) {
        objc::AutoreleasePool pool;
        objc::send<void>(
            m_delegate, changed,
            static_cast<id>(notificationNamed(u"NSControlTextDidChangeNotification", this)));
    }
}

void NSTextFieldObject::focusTaken() {
    Retained<NSTextFieldObject> keepAlive = Retained<NSTextFieldObject>::retain(this);
    m_editing = true;
    objc::send<BOOL>(this, "becomeFirstResponder"_sel);
}

void NSTextFieldObject::editingEnded(bool byReturn) {
    if (!m_editing && !byReturn)
        return;
    Retained<NSTextFieldObject> keepAlive = Retained<NSTextFieldObject>::retain(this);
    m_editing = byReturn; // after Return the field goes on editing, as Cocoa's does
    m_endedByReturn = byReturn;
    objc::AutoreleasePool pool;
    objc::send<void>(this, "textDidEndEditing:"_sel,
                     static_cast<id>(notificationNamed(u"NSTextDidEndEditingNotification", this)));
}

namespace {

// The end of editing: the action goes out after Return, and the delegate is told.
void textDidEndEditing(NSTextFieldObject* self, SEL, id notification) {
    if (self->endedByReturn())
        self->sendAction();
    const SEL ended = objc::registerSelector("controlTextDidEndEditing:");
    if (self->delegate() != nullptr && objc::findMethod(self->delegate(), ended) != nullptr)
        objc::send<void>(self->delegate(), ended, notification);
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextField", "NSControl",
                          objc::factoryFor<NSTextFieldObject, OnMainThread>())
        .instanceMethod<&NSTextFieldObject::setEditable, OnMainThread>("setEditable:")
        .instanceMethod<&NSTextFieldObject::isEditable, OnMainThread>("isEditable")
        .instanceMethod<&NSTextFieldObject::setSelectable, OnMainThread>("setSelectable:")
        .instanceMethod<&NSTextFieldObject::isSelectable, OnMainThread>("isSelectable")
        .instanceMethod<&NSTextFieldObject::setBezeled, OnMainThread>("setBezeled:")
        .instanceMethod<&NSTextFieldObject::isBezeled, OnMainThread>("isBezeled")
        .instanceMethod<&NSTextFieldObject::setBordered, OnMainThread>("setBordered:")
        .instanceMethod<&NSTextFieldObject::isBordered, OnMainThread>("isBordered")
        .instanceMethod<&NSTextFieldObject::setDrawsBackground, OnMainThread>("setDrawsBackground:")
        .instanceMethod<&NSTextFieldObject::drawsBackground, OnMainThread>("drawsBackground")
        .instanceMethod<&NSTextFieldObject::setBackgroundColor, OnMainThread>("setBackgroundColor:")
        .instanceMethod<&NSTextFieldObject::backgroundColor, OnMainThread>("backgroundColor")
        .instanceMethod<&NSTextFieldObject::setTextColor, OnMainThread>("setTextColor:")
        .instanceMethod<&NSTextFieldObject::textColor, OnMainThread>("textColor")
        .instanceMethod<&NSTextFieldObject::setPlaceholder, OnMainThread>("setPlaceholderString:")
        .instanceMethod<&NSTextFieldObject::setDelegate, OnMainThread>("setDelegate:")
        .instanceMethod<&NSTextFieldObject::delegate, OnMainThread>("delegate")
        .instanceMethod<&NSTextFieldObject::isSelectable, OnMainThread>("acceptsFirstResponder")
        .instanceMethod<&textDidEndEditing, OnMainThread>("textDidEndEditing:")};

} // namespace
} // namespace sondrel::appkit
