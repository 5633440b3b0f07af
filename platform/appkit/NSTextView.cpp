#include "platform/appkit/NSTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFocusEvent>
#include <QFont>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include "platform/appkit/Autoresizing.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSFont.h"
#include "platform/appkit/QtAlignment.h"
#include "platform/appkit/TextViewPrinting.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

// Web pages open in the user's browser, as the platform's "open" would show them.
void openLink(const QUrl& url) {
    if (url.isValid() && !url.scheme().isEmpty())
        QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()});
}

// How often at most the text of a view is repainted while it keeps changing.
constexpr int kRepaintIntervalMs = 16;

class TextEditWidget final : public QTextBrowser {
public:
    explicit TextEditWidget(NSTextViewObject* view) : m_view(view) {
        setOpenLinks(false);
        setOpenExternalLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, &openLink);
        m_repaintTimer.setSingleShot(true);
        m_repaintTimer.setInterval(kRepaintIntervalMs);
        connect(&m_repaintTimer, &QTimer::timeout, this, [this] { repaintHeldChanges(); });
    }

    // Shows `document` and paces the repaints its changes cause.
    void showDocument(QTextDocument* document) {
        disconnect(m_contents);
        setDocument(document);
        m_contents = connect(document, &QTextDocument::contentsChange, this,
                             [this](int, int, int) { paceRepaints(); });
    }

    void detach() {
        m_view = nullptr;
        disconnect(m_contents);
        m_repaintTimer.stop();
        setUpdatesEnabled(true);
    }

    // Called before each change of the text or of the scroll position that the program makes. A
    // change after a quiet spell is painted at once; the changes that follow it within the
    // interval are held and painted together when it ends. A log that the batch worker changes
    // several times for every converted file would otherwise repaint its text and scroll bars for
    // every change, far more often than a screen shows; that painting was half the main thread's
    // work during a batch.
    void paceRepaints() {
        if (!m_repaintTimer.isActive()) {
            m_repaintTimer.start();
            return;
        }
        m_held = true;
        setUpdatesEnabled(false);
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        QTextBrowser::focusInEvent(event);
        if (m_view != nullptr)
            m_view->focusChanged(true);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTextBrowser::focusOutEvent(event);
        if (m_view != nullptr && event->reason() != Qt::PopupFocusReason)
            m_view->focusChanged(false);
    }

private:
    // The end of an interval: what was held is painted (enabling updates repaints the view and
    // its scroll bars), and a new interval starts; an interval without changes ends the pacing.
    void repaintHeldChanges() {
        if (!m_held)
            return;
        m_held = false;
        setUpdatesEnabled(true);
        m_repaintTimer.start();
    }

    NSTextViewObject* m_view; // the view owns this widget; null once it is gone
    QTimer m_repaintTimer;
    QMetaObject::Connection m_contents;
    bool m_held = false;
};

} // namespace

NSTextViewObject::NSTextViewObject(Class cls) : NSViewObject(cls) {
    m_storage = Retained<NSTextStorageObject>::adopt(
        textStorageOf(objc::createInstance(objc::lookUpClass("NSTextStorage"))));
    m_container = Retained<NSTextContainerObject>::adopt(objc::liveCast<NSTextContainerObject>(
        objc::createInstance(objc::lookUpClass("NSTextContainer"))));
    performOnMainThread([&] {
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
    });
}

NSTextViewObject::~NSTextViewObject() {
    performOnMainThread([&] {
        if (m_storage)
            m_storage->removeEditObserver(this);
        if (m_container)
            m_container->setObserver(nullptr);
        if (auto* edit = static_cast<TextEditWidget*>(editor())) {
            edit->detach();
            edit->setDocument(new QTextDocument(edit)); // the storage's document may go first
        }
    });
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
    performOnMainThread([&] {
        if (!m_container || !m_container->widthTracksTextView())
            return;
        NSSize size = m_container->containerSize();
        if (size.width >= kUnlimitedTextSize / 2)
            return;
        size.width = frame().size.width - m_inset.width;
        m_container->setContainerSize(size);
    });
}

double NSTextViewObject::wrapWidth() const {
    return onMainThread([&]() -> double {
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
    });
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
    performOnMainThread([&] {
        m_editable = flag;
        applyInteraction();
    });
}

void NSTextViewObject::setSelectable(bool flag) {
    performOnMainThread([&] {
        m_selectable = flag;
        applyInteraction();
    });
}

void NSTextViewObject::setRichText(bool flag) {
    performOnMainThread([&] {
        m_richText = flag;
        applyInteraction();
    });
}

void NSTextViewObject::setFont(id native) {
    QFont font;
    if (!fontOf(native, font))
        return;
    performOnMainThread([&] {
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
    });
}

id NSTextViewObject::font() const {
    return autoreleasedFont(
        onMainThread([&] { return m_storage ? m_storage->document()->defaultFont() : QFont(); }));
}

void NSTextViewObject::setTextColor(id color) {
    performOnMainThread([&] {
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
    });
}

void NSTextViewObject::setBackgroundColor(id color) {
    performOnMainThread([&] {
        m_backgroundColor = Retained<objc::Object>::retain(color);
        applyBackground();
    });
}

void NSTextViewObject::setDrawsBackground(bool flag) {
    performOnMainThread([&] {
        m_drawsBackground = flag;
        applyBackground();
    });
}

void NSTextViewObject::setAlignment(NSInteger alignment) {
    performOnMainThread([&] {
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
    performOnMainThread([&] {
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
    });
}

void NSTextViewObject::setHorizontallyResizable(bool flag) {
    performOnMainThread([&] { m_horizontallyResizable = flag; });
}

void NSTextViewObject::setTextContainerInset(NSSize inset) {
    performOnMainThread([&] { m_inset = inset; });
}

void NSTextViewObject::setScrollers(bool vertical, bool horizontal, bool autohides) {
    performOnMainThread([&] {
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
    });
}

void NSTextViewObject::setBorderType(NSUInteger type) {
    performOnMainThread([&] {
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
    });
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

namespace {

id initWithFrame(NSTextViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    if (NSTextContainerObject* container = self->textContainer())
        container->setContainerSize(NSSize{frame.size.width, kUnlimitedTextSize});
    return self;
}
void setFrame(NSTextViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    self->frameChanged();
}
BOOL isEditable(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->isEditable(); }) ? YES : NO;
}
BOOL isSelectable(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->isSelectable(); }) ? YES : NO;
}
// Quotes are never replaced as the user types here; the setting is accepted.
void setQuoteSubstitution(NSTextViewObject*, SEL, BOOL) {}
BOOL quoteSubstitution(NSTextViewObject*, SEL) {
    return NO;
}
id textColor(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->textColor(); });
}
id backgroundColor(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->backgroundColor(); });
}
NSInteger alignment(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->alignment(); });
}
BOOL isHorizontallyResizable(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->isHorizontallyResizable(); }) ? YES : NO;
}
void setVerticallyResizable(NSTextViewObject* self, SEL, BOOL flag) {
    performOnMainThread([&] { self->setVerticallyResizable(flag != NO); });
}
BOOL isVerticallyResizable(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->isVerticallyResizable(); }) ? YES : NO;
}
void setMaxSize(NSTextViewObject* self, SEL, NSSize size) {
    performOnMainThread([&] { self->setMaxSize(size); });
}
NSSize maxSize(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->maxSize(); });
}
void setMinSize(NSTextViewObject* self, SEL, NSSize size) {
    performOnMainThread([&] { self->setMinSize(size); });
}
NSSize minSize(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->minSize(); });
}
NSSize textContainerInset(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->textContainerInset(); });
}
void setDelegate(NSTextViewObject* self, SEL, id delegate) {
    performOnMainThread([&] { self->setDelegate(delegate); });
}
id delegate(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->delegate(); });
}
void setAutoresizing(NSTextViewObject* self, SEL, NSUInteger mask) {
    performOnMainThread([&] { setAutoresizingMask(self, mask); });
}
NSUInteger autoresizing(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return autoresizingMask(self); });
}
void print(NSTextViewObject* self, SEL, id) {
    printTextView(self);
}
BOOL acceptsFirstResponder(NSTextViewObject* self, SEL) {
    return onMainThread([&] { return self->isSelectable(); }) ? YES : NO;
}
BOOL isFlipped(NSTextViewObject*, SEL) {
    return YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextView", "NSView", objc::factoryFor<NSTextViewObject>())
        .instanceMethod("initWithFrame:", &initWithFrame)
        .instanceMethod("setFrame:", &setFrame)
        .instanceMethod<&NSTextViewObject::textStorage>("textStorage")
        .instanceMethod<&NSTextViewObject::textContainer>("textContainer")
        .instanceMethod<&NSTextViewObject::setEditable>("setEditable:")
        .instanceMethod("isEditable", &isEditable)
        .instanceMethod<&NSTextViewObject::setSelectable>("setSelectable:")
        .instanceMethod("isSelectable", &isSelectable)
        .instanceMethod<&NSTextViewObject::setRichText>("setRichText:")
        .instanceMethod<&NSTextViewObject::isRichText>("isRichText")
        .instanceMethod("setAutomaticQuoteSubstitutionEnabled:", &setQuoteSubstitution)
        .instanceMethod("isAutomaticQuoteSubstitutionEnabled", &quoteSubstitution)
        .instanceMethod<&NSTextViewObject::setFont>("setFont:")
        .instanceMethod<&NSTextViewObject::font>("font")
        .instanceMethod<&NSTextViewObject::setTextColor>("setTextColor:")
        .instanceMethod("textColor", &textColor)
        .instanceMethod<&NSTextViewObject::setBackgroundColor>("setBackgroundColor:")
        .instanceMethod("backgroundColor", &backgroundColor)
        .instanceMethod<&NSTextViewObject::setDrawsBackground>("setDrawsBackground:")
        .instanceMethod<&NSTextViewObject::drawsBackground>("drawsBackground")
        .instanceMethod<&NSTextViewObject::setAlignment>("setAlignment:")
        .instanceMethod("alignment", &alignment)
        .instanceMethod<&NSTextViewObject::setString>("setString:")
        .instanceMethod<&NSTextViewObject::string>("string")
        .instanceMethod<&NSTextViewObject::scrollRangeToVisible>("scrollRangeToVisible:")
        .instanceMethod<&NSTextViewObject::setHorizontallyResizable>("setHorizontallyResizable:")
        .instanceMethod("isHorizontallyResizable", &isHorizontallyResizable)
        .instanceMethod("setVerticallyResizable:", &setVerticallyResizable)
        .instanceMethod("isVerticallyResizable", &isVerticallyResizable)
        .instanceMethod("setMaxSize:", &setMaxSize)
        .instanceMethod("maxSize", &maxSize)
        .instanceMethod("setMinSize:", &setMinSize)
        .instanceMethod("minSize", &minSize)
        .instanceMethod("textContainerInset", &textContainerInset)
        .instanceMethod<&NSTextViewObject::setTextContainerInset>("setTextContainerInset:")
        .instanceMethod("setDelegate:", &setDelegate)
        .instanceMethod("delegate", &delegate)
        .instanceMethod("setAutoresizingMask:", &setAutoresizing)
        .instanceMethod("autoresizingMask", &autoresizing)
        .instanceMethod("print:", &print)
        .instanceMethod("acceptsFirstResponder", &acceptsFirstResponder)
        .instanceMethod("isFlipped", &isFlipped)};

} // namespace
} // namespace sondrel::appkit
