#pragma once

// NSScrollView: the frame around a document view that scrolls it. Here its document view is a
// text view (a QTextEdit scrolls itself): the text view fills the scroll view and follows its
// size, and draws the scroll view's border and scrollers. Other document views are placed at the
// scroll view's top left and do not scroll.

#include "platform/appkit/NSView.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

enum NSBorderType : NSUInteger {
    NSNoBorder = 0,
    NSLineBorder = 1,
    NSBezelBorder = 2,
    NSGrooveBorder = 3,
};

class NSScrollViewObject : public NSViewObject {
public:
    explicit NSScrollViewObject(Class cls);
    ~NSScrollViewObject() override;

    void setDocumentView(NSViewObject* view);
    NSViewObject* documentView() const { return m_document.get(); }
    void setHasVerticalScroller(bool flag);
    bool hasVerticalScroller() const { return m_vertical; }
    void setHasHorizontalScroller(bool flag);
    bool hasHorizontalScroller() const { return m_horizontal; }
    void setAutohidesScrollers(bool flag);
    bool autohidesScrollers() const { return m_autohides; }
    void setBorderType(NSUInteger type);
    NSUInteger borderType() const { return m_border; }
    // The size of the visible area: the frame less the border.
    NSSize contentSize() const;

    // Fits the document view to the scroll view again (after a change of size).
    void tile();

private:
    void applyDecorations();

    Retained<NSViewObject> m_document;
    bool m_vertical = false;
    bool m_horizontal = false;
    bool m_autohides = false;
    NSUInteger m_border = NSNoBorder;
};

} // namespace sondrel::appkit
