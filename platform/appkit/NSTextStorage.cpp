#include "platform/appkit/NSTextStorage.h"

#include <algorithm>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/appkit/AttributedTextDocument.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

// The document's paragraph and frame breaks are line ends of the plain text.
char16_t plainUnit(QChar character) {
    switch (character.unicode()) {
    case 0x2029: // QChar::ParagraphSeparator
    case 0xFDD0: // QTextBeginningOfFrame
    case 0xFDD1: // QTextEndOfFrame
        return u'\n';
    default:
        return character.unicode();
    }
}

bool isPlain(const objc::AttributedText& text) {
    const objc::CharacterStyle plainStyle;
    const objc::ParagraphStyle plainParagraph;
    return std::all_of(text.runs().begin(), text.runs().end(),
                       [&](const objc::StyleRun& run) { return run.style == plainStyle; }) &&
           std::all_of(text.paragraphs().begin(), text.paragraphs().end(),
                       [&](const objc::ParagraphStyle& p) { return p == plainParagraph; });
}

// Inserts plain text so that every "\r" and "\n" is one paragraph break (Qt would merge "\r\n"
// into one). `fresh` gives new paragraphs the standard paragraph style instead of the current
// paragraph's.
void insertPlain(QTextCursor& cursor, std::u16string_view text, const QTextCharFormat& format,
                 bool fresh) {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = start;
        while (end < text.size() && !TextLines::isSeparator(text[end]))
            ++end;
        if (end > start)
            cursor.insertText(toQString(text.substr(start, end - start)), format);
        if (end == text.size())
            break;
        cursor.insertBlock(fresh ? QTextBlockFormat() : cursor.blockFormat(), format);
        start = end + 1;
    }
}

} // namespace

struct NSTextStorageObject::Native {
    QMetaObject::Connection contents;
};

NSTextStorageObject::NSTextStorageObject(objc::Class cls)
    : NSAttributedStringObject(cls), m_native(new Native) {
    m_document = std::make_unique<QTextDocument>();
    m_document->setUndoRedoEnabled(false); // a log must not keep every edit
    m_native->contents = QObject::connect(m_document.get(), &QTextDocument::contentsChange,
                                          [this](int position, int removed, int added) {
                                              documentChanged(position, removed, added);
                                          });
}

NSTextStorageObject::~NSTextStorageObject() {
    QObject::disconnect(m_native->contents);
    m_document.reset();
}

std::u16string NSTextStorageObject::string() const {
    return m_lines.text();
}

std::size_t NSTextStorageObject::length() const {
    return m_lines.size();
}

std::size_t NSTextStorageObject::lineCount() const {
    return m_lines.lineCount();
}

std::u16string NSTextStorageObject::lineText(std::size_t index) const {
    return std::u16string(m_lines.lineText(index));
}

bool NSTextStorageObject::hasCarriageReturns() const {
    return m_lines.carriageReturns() != 0;
}

void NSTextStorageObject::replaceCharacters(std::size_t position, std::size_t length,
                                            std::u16string_view text) {
    position = std::min(position, m_lines.size());
    length = std::min(length, m_lines.size() - position);
    m_applying = true;
    QTextCursor cursor(m_document.get());
    cursor.setPosition(static_cast<int>(length > 0 ? position + 1 : position));
    const QTextCharFormat format = cursor.charFormat();
    cursor.setPosition(static_cast<int>(position));
    cursor.setPosition(static_cast<int>(position + length), QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertPlain(cursor, text, format, false);
    cursor.endEditBlock();
    m_lines.replace(position, length, text);
    m_applying = false;
}

void NSTextStorageObject::insertAttributed(std::size_t position, const objc::AttributedText& text) {
    QTextCursor cursor(m_document.get());
    cursor.setPosition(static_cast<int>(position));
    if (isPlain(text)) {
        cursor.beginEditBlock();
        insertPlain(cursor, text.text(), QTextCharFormat(), true);
        cursor.endEditBlock();
        return;
    }
    // A paragraph the text continues keeps its own paragraph style.
    const bool continues = !cursor.atBlockStart();
    const QTextBlockFormat kept = cursor.blockFormat();
    insertAttributedText(cursor, text);
    if (continues) {
        QTextCursor first(m_document.get());
        first.setPosition(static_cast<int>(position));
        first.setBlockFormat(kept);
    }
}

void NSTextStorageObject::append(const objc::AttributedText& text) {
    m_applying = true;
    insertAttributed(m_lines.size(), text);
    m_lines.append(text.text());
    m_applying = false;
}

void NSTextStorageObject::setAttributedText(const objc::AttributedText& text) {
    m_applying = true;
    m_document->clear();
    insertAttributed(0, text);
    m_lines.assign(text.text());
    m_applying = false;
}

void NSTextStorageObject::setHtml(std::u16string_view html) {
    m_applying = true;
    m_document->setHtml(toQString(html));
    const QString raw = m_document->toRawText();
    std::u16string plain(static_cast<std::size_t>(raw.size()), u'\0');
    std::transform(raw.begin(), raw.end(), plain.begin(), plainUnit);
    m_lines.assign(plain);
    m_applying = false;
}

void NSTextStorageObject::restyle(const std::function<void(QTextDocument&)>& change) {
    m_applying = true;
    change(*m_document);
    m_applying = false;
}

std::unique_ptr<QTextDocument> NSTextStorageObject::cloneDocument() const {
    return std::unique_ptr<QTextDocument>(m_document->clone());
}

void NSTextStorageObject::setEditObserver(const void* owner, std::function<void()> observer) {
    m_observerOwner = owner;
    m_editObserver = std::move(observer);
}

void NSTextStorageObject::removeEditObserver(const void* owner) {
    if (m_observerOwner != owner)
        return;
    m_observerOwner = nullptr;
    m_editObserver = nullptr;
}

// An edit made inside the document (by the user typing): the plain text and its lines follow.
void NSTextStorageObject::documentChanged(int position, int removed, int added) {
    if (m_applying || m_document == nullptr)
        return;
    const std::size_t documentLength = static_cast<std::size_t>(m_document->characterCount() - 1);
    const auto at = std::min(static_cast<std::size_t>(std::max(position, 0)), m_lines.size());
    const std::size_t gone =
        std::min(static_cast<std::size_t>(std::max(removed, 0)), m_lines.size() - at);
    const std::size_t come = std::min(static_cast<std::size_t>(std::max(added, 0)),
                                      documentLength > at ? documentLength - at : 0);
    std::u16string inserted(come, u'\0');
    for (std::size_t i = 0; i < come; ++i)
        inserted[i] = plainUnit(m_document->characterAt(static_cast<int>(at + i)));
    // A change of styles only reports the same text again; "\r" must survive it.
    bool same = gone == come;
    for (std::size_t i = 0; same && i < come; ++i) {
        const char16_t unit = m_lines.text()[at + i];
        same = (TextLines::isSeparator(unit) ? u'\n' : unit) == inserted[i];
    }
    if (!same)
        m_lines.replace(at, gone, inserted);
    if (m_editObserver)
        m_editObserver();
}

NSTextStorageObject* textStorageOf(const void* object) {
    return objc::liveCast<NSTextStorageObject>(object);
}

namespace {

using objc::id;
using objc::NSRange;
using objc::NSUInteger;
using objc::SEL;

// NSMutableAttributedString: the edits plain attributed strings offer.
void appendToString(NSAttributedStringObject* self, SEL, id other) {
    if (const objc::AttributedText* text = attributedTextOf(other)) {
        objc::AttributedText joined = self->text();
        joined.appendText(*text);
        self->setText(std::move(joined));
    }
}
void setStringContent(NSAttributedStringObject* self, SEL, id other) {
    if (const objc::AttributedText* text = attributedTextOf(other))
        self->setText(*text);
}

const objc::ClassRegistration mutableRegistration{
    objc::ClassDefinition("NSMutableAttributedString", "NSAttributedString")
        .instanceMethod("appendAttributedString:", &appendToString)
        .instanceMethod("setAttributedString:", &setStringContent)};

// NSTextStorage.
id storageInitWithString(NSTextStorageObject* self, SEL, id string) {
    self->setAttributedText(objc::AttributedText(objc::nativeStringText(string)));
    return self;
}
id storageInitWithAttributedString(NSTextStorageObject* self, SEL, id other) {
    if (const objc::AttributedText* text = attributedTextOf(other))
        self->setAttributedText(*text);
    return self;
}
// Another text storage gives its plain text (its styles live in its own document).
void appendAttributedString(NSTextStorageObject* self, SEL, id other) {
    if (NSTextStorageObject* storage = textStorageOf(other))
        self->append(objc::AttributedText(storage->string()));
    else if (const objc::AttributedText* text = attributedTextOf(other))
        self->append(*text);
}
void setAttributedString(NSTextStorageObject* self, SEL, id other) {
    if (NSTextStorageObject* storage = textStorageOf(other))
        self->setAttributedText(objc::AttributedText(storage->string()));
    else if (const objc::AttributedText* text = attributedTextOf(other))
        self->setAttributedText(*text);
}
void replaceCharactersInRange(NSTextStorageObject* self, SEL, NSRange range, id string) {
    self->replaceCharacters(range.location, range.length, objc::nativeStringText(string));
}
void deleteCharactersInRange(NSTextStorageObject* self, SEL, NSRange range) {
    self->replaceCharacters(range.location, range.length, u"");
}
void editingBracket(NSTextStorageObject*, SEL) {}

// The document is made, changed and read on the main thread; only the editing brackets, which do
// nothing, run anywhere.
const objc::ClassRegistration storageRegistration{
    objc::ClassDefinition("NSTextStorage", "NSMutableAttributedString",
                          objc::factoryFor<NSTextStorageObject, OnMainThread>())
        .instanceMethod<&destroyInstance, OnMainThread>("dealloc")
        .instanceMethod<&storageInitWithString, OnMainThread>("initWithString:")
        .instanceMethod<&storageInitWithAttributedString, OnMainThread>("initWithAttributedString:")
        .instanceMethod<&NSTextStorageObject::string, OnMainThread>("string")
        .instanceMethod<&NSTextStorageObject::length, OnMainThread>("length")
        .instanceMethod<&appendAttributedString, OnMainThread>("appendAttributedString:")
        .instanceMethod<&setAttributedString, OnMainThread>("setAttributedString:")
        .instanceMethod<&replaceCharactersInRange, OnMainThread>(
            "replaceCharactersInRange:withString:")
        .instanceMethod<&deleteCharactersInRange, OnMainThread>("deleteCharactersInRange:")
        .instanceMethod("beginEditing", &editingBracket)
        .instanceMethod("endEditing", &editingBracket)};

} // namespace
} // namespace sondrel::appkit
