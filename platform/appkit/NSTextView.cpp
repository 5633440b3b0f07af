#include "platform/appkit/NSTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFont>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSFont.h"
#include "platform/appkit/QtAlignment.h"
#include "platform/appkit/TextEditWidget.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

// The text view: its storage and container, what the user may do with the text, its colours,
// font and alignment, wrapping and scrolling, and what it tells its delegate. Its widget is in
// TextEditWidget.cpp, its class table in NSTextViewClass.cpp.

namespace sondrel::appkit {

NSTextViewObject::NSTextViewObject(Class cls) : NSViewObject(cls) {
    m_storage = Retained<NSTextStorageObject>::adopt(
        textStorageOf(objc::createInstance("NSTextStorage"_class)));
    m_container = Retained<NSTextContainerObject>::adopt(
        objc::liveCast<NSTextContainerObject>(objc::createInstance("NSTextContainer"_class)));
    auto* edit = new TextEditWidget(this);
    if (m_storage)
        edit->showDocument(m_storage->document());
    edit->setFrameShape(QFrame::NoFrame);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    adoptWidget(edit);
    forwardEventsFrom(edit->viewport());
    if (m_container)
        m_container->setObserver([this] { applyWrap(); });
    if (m_storage)
        m_storage->setEditObserver(this, [this] { userEdited(); });
    applyInteraction();
    applyWrap();
    applyBackground();
}

NSTextViewObject::~NSTextViewObject() {
    if (m_storage)
        m_storage->removeEditObserver(this);
    if (m_container)
        m_container->setObserver(nullptr);
    if (auto* edit = static_cast<TextEditWidget*>(editor())) {
        edit->detach();
        edit->setDocument(new QTextDocument(edit)); // the storage's document may go first
    }
}

QTextEdit* NSTextViewObject::editor() const {
    return qobject_cast<QTextEdit*>(widget());
}

void NSTextViewObject::applyInteraction() {
    QTextEdit* edit = editor();
    if (edit == nullptr)
        return;
    edit->setReadOnly(!m_editable);
    edit->setAcceptRichText(m_richText);
    Qt::TextInteractionFlags flags = Qt::LinksAccessibleByMouse;
    if (m_editable)
        flags = Qt::TextEditorInteraction;
    else if (m_selectable)
        flags |= Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                 Qt::LinksAccessibleByKeyboard;
    edit->setTextInteractionFlags(flags);
    edit->setFocusPolicy(isSelectable() ? Qt::StrongFocus : Qt::NoFocus);
}

void NSTextViewObject::applyWrap() {
    QTextEdit* edit = editor();
    if (edit == nullptr || !m_container)
        return;
    const NSSize size = m_container->containerSize();
    if (size.width >= kUnlimitedTextSize / 2) {
        edit->setLineWrapMode(QTextEdit::NoWrap);
    } else if (m_container->widthTracksTextView()) {
        edit->setLineWrapMode(QTextEdit::WidgetWidth);
    } else {
        edit->setLineWrapMode(QTextEdit::FixedPixelWidth);
        edit->setLineWrapColumnOrWidth(std::max(1, static_cast<int>(size.width)));
    }
}

void NSTextViewObject::frameChanged() {
    if (!m_container || !m_container->widthTracksTextView())
        return;
    NSSize size = m_container->containerSize();
    if (size.width >= kUnlimitedTextSize / 2)
        return;
    size.width = frame().size.width - m_inset.width;
    m_container->setContainerSize(size);
}

double NSTextViewObject::wrapWidth() const {
    const QTextEdit* edit = editor();
    if (edit == nullptr)
        return 0;
    switch (edit->lineWrapMode()) {
    case QTextEdit::WidgetWidth:
        return edit->viewport()->width();
    case QTextEdit::FixedPixelWidth:
        return edit->lineWrapColumnOrWidth();
    default:
        return 0;
    }
}

void NSTextViewObject::applyBackground() {
    QTextEdit* edit = editor();
    if (edit == nullptr)
        return;
    const QPalette standard = QApplication::palette(edit);
    QPalette palette = edit->palette();
    QBrush base = standard.brush(QPalette::Base);
    if (!m_drawsBackground)
        base = QBrush(Qt::transparent);
    else if (auto* color = objc::liveCast<NSColorObject>(m_backgroundColor.get()))
        base = color->brush();
    const QColor text = colorOf(m_textColor.get());
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setBrush(group, QPalette::Base, base);
        palette.setColor(group, QPalette::Text,
                         text.isValid() ? text : standard.color(group, QPalette::Text));
    }
    edit->setPalette(palette);
    edit->viewport()->setAutoFillBackground(m_drawsBackground);
}

void NSTextViewObject::setEditable(bool flag) {
    m_editable = flag;
    applyInteraction();
}

void NSTextViewObject::setSelectable(bool flag) {
    m_selectable = flag;
    applyInteraction();
}

void NSTextViewObject::setRichText(bool flag) {
    m_richText = flag;
    applyInteraction();
}

void NSTextViewObject::setFont(id native) {
    QFont font;
    if (!fontOf(native, font))
        return;
    QTextEdit* edit = editor();
    if (edit == nullptr || !m_storage)
        return;
    edit->setFont(font);
    m_storage->document()->setDefaultFont(font);
    m_storage->restyle([&](QTextDocument& document) {
        QTextCursor all(&document);
        all.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setFont(font);
        all.mergeCharFormat(format);
    });
}

id NSTextViewObject::font() const {
    return autoreleasedFont(m_storage ? m_storage->document()->defaultFont() : QFont());
}

void NSTextViewObject::setTextColor(id color) {
    m_textColor = Retained<objc::Object>::retain(color);
    applyBackground();
    const QColor text = colorOf(color);
    if (text.isValid() && m_storage) {
        m_storage->restyle([&](QTextDocument& document) {
            QTextCursor all(&document);
            all.select(QTextCursor::Document);
            QTextCharFormat format;
            format.setForeground(text);
            all.mergeCharFormat(format);
        });
    }
}

void NSTextViewObject::setBackgroundColor(id color) {
    m_backgroundColor = Retained<objc::Object>::retain(color);
    applyBackground();
}

void NSTextViewObject::setDrawsBackground(bool flag) {
    m_drawsBackground = flag;
    applyBackground();
}

void NSTextViewObject::setAlignment(NSInteger alignment) {
    m_alignment = alignment;
    if (!m_storage)
        return;
    m_storage->restyle([&](QTextDocument& document) {
        QTextCursor all(&document);
        all.select(QTextCursor::Document);
        QTextBlockFormat format;
        format.setAlignment(qtAlignmentFor(alignment));
        all.mergeBlockFormat(format);
    });
}

void NSTextViewObject::setString(const std::u16string& text) {
    if (m_storage)
        m_storage->replaceCharacters(0, m_storage->length(), text);
}

std::u16string NSTextViewObject::string() const {
    return m_storage ? m_storage->string() : std::u16string();
}

// Scrolls as little as needed for the start of the range to show (all the way down for the end
// of the text).
void NSTextViewObject::scrollRangeToVisible(objc::NSRange range) {
    QTextEdit* edit = editor();
    if (edit == nullptr || !m_storage)
        return;
    static_cast<TextEditWidget*>(edit)->paceRepaints();
    QTextDocument* document = m_storage->document();
    const auto end = static_cast<std::uint64_t>(document->characterCount() - 1);
    QTextCursor cursor(document);
    cursor.setPosition(static_cast<int>(std::min(range.location, end)));
    document->documentLayout()->documentSize(); // lays out what is not laid out yet
    const QRect place = edit->cursorRect(cursor);
    const QRect visible = edit->viewport()->rect();
    QScrollBar* vertical = edit->verticalScrollBar();
    if (range.location >= end)
        vertical->setValue(vertical->maximum()); // the end, with the margin below it
    else if (place.bottom() > visible.bottom())
        vertical->setValue(vertical->value() + place.bottom() - visible.bottom());
    else if (place.top() < visible.top())
        vertical->setValue(vertical->value() + place.top() - visible.top());
    QScrollBar* horizontal = edit->horizontalScrollBar();
    if (place.right() > visible.right())
        horizontal->setValue(horizontal->value() + place.right() - visible.right());
    else if (place.left() < visible.left())
        horizontal->setValue(horizontal->value() + place.left() - visible.left());
}

void NSTextViewObject::setHorizontallyResizable(bool flag) {
    m_horizontallyResizable = flag;
}

void NSTextViewObject::setTextContainerInset(NSSize inset) {
    m_inset = inset;
}

void NSTextViewObject::setScrollers(bool vertical, bool horizontal, bool autohides) {
    QTextEdit* edit = editor();
    if (edit == nullptr)
        return;
    const auto policy = [&](bool shown) {
        return !shown      ? Qt::ScrollBarAlwaysOff
               : autohides ? Qt::ScrollBarAsNeeded
                           : Qt::ScrollBarAlwaysOn;
    };
    edit->setVerticalScrollBarPolicy(policy(vertical));
    edit->setHorizontalScrollBarPolicy(policy(horizontal));
}

void NSTextViewObject::setBorderType(NSUInteger type) {
    QTextEdit* edit = editor();
    if (edit == nullptr)
        return;
    switch (type) {
    case 1: // line
        edit->setFrameStyle(QFrame::Box | QFrame::Plain);
        edit->setLineWidth(1);
        break;
    case 2: // bezel
        edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        break;
    case 3: // groove
        edit->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    default:
        edit->setFrameStyle(QFrame::NoFrame);
        break;
    }
}

void NSTextViewObject::focusChanged(bool taken) {
    Retained<NSTextViewObject> keepAlive = Retained<NSTextViewObject>::retain(this);
    if (taken)
        objc::send<BOOL>(this, "becomeFirstResponder"_sel);
    else
        objc::send<BOOL>(this, "resignFirstResponder"_sel);
}

void NSTextViewObject::userEdited() {
    const SEL changed = objc::registerSelector("textDidChange:");
    if (m_delegate == nullptr || objc::findMethod(m_delegate, changed) == nullptr)
        return;
    Retained<NSTextViewObject> keepAlive = Retained<NSTextViewObject>::retain(this);
    objc::AutoreleasePool pool;
    objc::send<void>(m_delegate, changed,
                     static_cast<id>(notificationNamed(u"NSTextDidChangeNotification", this)));
}

NSTextViewObject* textViewOf(const void* object) {
    return objc::liveCast<NSTextViewObject>(object);
}

} // namespace sondrel::appkit
