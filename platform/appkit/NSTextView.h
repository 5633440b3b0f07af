#pragma once

// NSTextView: a view showing and editing the text of its NSTextStorage, laid out in its
// NSTextContainer, over a QTextBrowser (a QTextEdit that can follow links).
//
// The container decides the wrapping (see NSTextContainer.h). Links in text that cannot be
// edited open in the default browser (xdg-open). The text view reports as Cocoa does:
//   becomeFirstResponder / resignFirstResponder   sent to the view when it takes or loses the
//                                                 keyboard focus;
//   textDidChange:                                sent to the delegate after each edit by the
//                                                 user (not for text set by the program).
// In a scroll view the text view fills the scroll view, and the scroll view's border and
// scrollers are drawn by the text view's own widget.
//
// Text views belong to the main thread: the class table runs their messages there (a message
// sent from another thread is carried there), and C++ callers call from there.

#include <string>

#include "platform/appkit/NSTextContainer.h"
#include "platform/appkit/NSTextStorage.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/Geometry.h"

class QTextEdit;

namespace sondrel::appkit {

class NSTextViewObject : public NSViewObject {
public:
    explicit NSTextViewObject(Class cls);
    ~NSTextViewObject() override;

    QTextEdit* editor() const;
    NSTextStorageObject* textStorage() const { return m_storage.get(); }
    NSTextContainerObject* textContainer() const { return m_container.get(); }

    void setEditable(bool flag);
    bool isEditable() const { return m_editable; }
    void setSelectable(bool flag);
    bool isSelectable() const { return m_selectable || m_editable; }
    void setRichText(bool flag);
    bool isRichText() const { return m_richText; }
    // An NSFont for all the text (anything else is ignored); font gives a new autoreleased one.
    void setFont(id font);
    id font() const;
    void setTextColor(id color);
    id textColor() const { return m_textColor.get(); }
    void setBackgroundColor(id color);
    id backgroundColor() const { return m_backgroundColor.get(); }
    void setDrawsBackground(bool flag);
    bool drawsBackground() const { return m_drawsBackground; }
    // All paragraphs, and the ones the user types from now on.
    void setAlignment(NSInteger alignment);
    NSInteger alignment() const { return m_alignment; }

    void setString(const std::u16string& text);
    std::u16string string() const;
    void scrollRangeToVisible(objc::NSRange range);

    void setHorizontallyResizable(bool flag);
    bool isHorizontallyResizable() const { return m_horizontallyResizable; }
    void setVerticallyResizable(bool flag) { m_verticallyResizable = flag; }
    bool isVerticallyResizable() const { return m_verticallyResizable; }
    void setMaxSize(NSSize size) { m_maxSize = size; }
    NSSize maxSize() const { return m_maxSize; }
    void setMinSize(NSSize size) { m_minSize = size; }
    NSSize minSize() const { return m_minSize; }
    void setTextContainerInset(NSSize inset);
    NSSize textContainerInset() const { return m_inset; }
    void setDelegate(id delegate) { m_delegate = delegate; }
    id delegate() const { return m_delegate; }

    // A container that tracks the view's width takes the view's width less the inset's width
    // again (after the view's frame changed).
    void frameChanged();

    // The width at which lines wrap now, in points; 0 when they do not wrap.
    double wrapWidth() const;

    // The decorations of an enclosing scroll view.
    void setScrollers(bool vertical, bool horizontal, bool autohides);
    void setBorderType(NSUInteger type);

    // Reported by the widget (main thread).
    void focusChanged(bool taken);

private:
    void applyWrap();
    void applyInteraction();
    void applyBackground();
    void userEdited();

    Retained<NSTextStorageObject> m_storage;
    Retained<NSTextContainerObject> m_container;
    Retained<objc::Object> m_textColor;
    Retained<objc::Object> m_backgroundColor;
    id m_delegate = nullptr; // not retained, as in Cocoa
    NSSize m_inset;
    NSSize m_maxSize{kUnlimitedTextSize, kUnlimitedTextSize};
    NSSize m_minSize;
    NSInteger m_alignment = 4; // natural
    bool m_editable = true;
    bool m_selectable = true;
    bool m_richText = true;
    bool m_drawsBackground = true;
    bool m_horizontallyResizable = false;
    bool m_verticallyResizable = true;
};

// The text view of a live NSTextView, or null.
NSTextViewObject* textViewOf(const void* object);

} // namespace sondrel::appkit
