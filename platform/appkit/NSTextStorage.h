#pragma once

// NSTextStorage: the text a text view shows, with its styles, kept in a Qt text document, and
// NSMutableAttributedString, its superclass here.
//
// Beside the document the storage keeps the plain text exactly as given ("\r" included, which
// the document turns into a paragraph break like "\n") and the index of its lines (TextLines),
// so a line count or a line's text costs the same however long the text grows. Document
// positions and text positions agree one to one: every "\r" and "\n" is one paragraph break.
//
// Edits made by the program (append, replace, set) and by the user typing into a text view
// keep both in step. The text view is told of edits made by the user through the edit observer.
//
// The document belongs to the main thread: the class table runs its messages there (the batch
// worker appends to the log from its own thread), and C++ callers call from there.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/appkit/NSAttributedString.h"
#include "platform/appkit/TextLines.h"

class QTextDocument;

namespace sondrel::appkit {

class NSTextStorageObject : public NSAttributedStringObject {
public:
    explicit NSTextStorageObject(objc::Class cls);
    ~NSTextStorageObject() override;

    // Main thread only.
    QTextDocument* document() const { return m_document.get(); }
    const TextLines& lines() const { return m_lines; }

    std::u16string string() const;
    std::size_t length() const;
    std::size_t lineCount() const;
    std::u16string lineText(std::size_t index) const;
    bool hasCarriageReturns() const;

    // Replaces a range (clamped to the text) by plain text, which takes the style of the first
    // replaced character (of the one before it when nothing is replaced).
    void replaceCharacters(std::size_t position, std::size_t length, std::u16string_view text);
    // Appends attributed text; text without any style shows in the view's font and colour and
    // starts its paragraphs with the standard paragraph style.
    void append(const objc::AttributedText& text);
    void setAttributedText(const objc::AttributedText& text);
    // Replaces everything by the document an HTML text describes.
    void setHtml(std::u16string_view html);
    // Changes styles only (fonts, colours, paragraph styles) in the document; not an edit by the
    // user. Main thread.
    void restyle(const std::function<void(QTextDocument&)>& change);
    // A copy of the whole text with its styles, for printing (main thread).
    std::unique_ptr<QTextDocument> cloneDocument() const;

    // Called on the main thread after each edit the user makes in a view (one observer).
    void setEditObserver(const void* owner, std::function<void()> observer);
    void removeEditObserver(const void* owner);

private:
    struct Native;

    void insertAttributed(std::size_t position, const objc::AttributedText& text);
    void documentChanged(int position, int removed, int added);

    std::unique_ptr<QTextDocument> m_document;
    std::unique_ptr<Native> m_native;
    TextLines m_lines;
    bool m_applying = false;
    const void* m_observerOwner = nullptr;
    std::function<void()> m_editObserver;
};

// The storage of a live NSTextStorage, or null.
NSTextStorageObject* textStorageOf(const void* object);

} // namespace sondrel::appkit
