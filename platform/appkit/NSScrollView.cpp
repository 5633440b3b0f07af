#include "platform/appkit/NSScrollView.h"

#include <QEvent>
#include <QWidget>

#include "platform/appkit/Autoresizing.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSTextView.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

// The scroll view's widget: fits the document view whenever its size changes.
class ScrollWidget final : public QWidget {
public:
    explicit ScrollWidget(NSScrollViewObject* view) : m_view(view) {}
    void detach() { m_view = nullptr; }

protected:
    void resizeEvent(QResizeEvent*) override {
        if (m_view != nullptr)
            m_view->tile();
    }

private:
    NSScrollViewObject* m_view; // the view owns this widget
};

double borderWidth(NSUInteger type) {
    switch (type) {
    case NSLineBorder:
        return 1;
    case NSBezelBorder:
    case NSGrooveBorder:
        return 2;
    default:
        return 0;
    }
}

} // namespace

NSScrollViewObject::NSScrollViewObject(Class cls) : NSViewObject(cls) {
    adoptWidget(new ScrollWidget(this));
}

NSScrollViewObject::~NSScrollViewObject() {
    if (auto* scroll = static_cast<ScrollWidget*>(widget()))
        scroll->detach(); // the widget is deleted a little later
}

void NSScrollViewObject::setDocumentView(NSViewObject* view) {
    if (m_document.get() == view)
        return;
    if (m_document)
        m_document->removeFromSuperview();
    m_document = Retained<NSViewObject>::retain(view);
    if (view != nullptr)
        addSubview(view);
    applyDecorations();
    tile();
}

void NSScrollViewObject::tile() {
    if (!m_document)
        return;
    const NSRect bounds = this->bounds();
    if (NSTextViewObject* text = textViewOf(m_document.get())) {
        text->setFrame(bounds); // the text view draws the border and scrolls itself
        text->frameChanged();
    } else {
        NSRect frame = m_document->frame();
        frame.origin = NSPoint{0, 0};
        m_document->setFrame(frame);
    }
}

void NSScrollViewObject::applyDecorations() {
    if (NSTextViewObject* text = textViewOf(m_document.get())) {
        text->setScrollers(m_vertical, m_horizontal, m_autohides);
        text->setBorderType(m_border);
    }
}

void NSScrollViewObject::setHasVerticalScroller(bool flag) {
    m_vertical = flag;
    applyDecorations();
}

void NSScrollViewObject::setHasHorizontalScroller(bool flag) {
    m_horizontal = flag;
    applyDecorations();
}

void NSScrollViewObject::setAutohidesScrollers(bool flag) {
    m_autohides = flag;
    applyDecorations();
}

void NSScrollViewObject::setBorderType(NSUInteger type) {
    m_border = type;
    applyDecorations();
}

NSSize NSScrollViewObject::contentSize() const {
    const NSRect frame = this->frame();
    const double border = borderWidth(m_border);
    return NSSize{std::max(0.0, frame.size.width - 2 * border),
                  std::max(0.0, frame.size.height - 2 * border)};
}

namespace {

void setFrame(NSScrollViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    self->tile();
}
BOOL isFlipped(NSScrollViewObject*, SEL) {
    return YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSScrollView", "NSView",
                          objc::factoryFor<NSScrollViewObject, OnMainThread>())
        .instanceMethod<&NSScrollViewObject::setDocumentView, OnMainThread>("setDocumentView:")
        .instanceMethod<&NSScrollViewObject::documentView, OnMainThread>("documentView")
        .instanceMethod<&NSScrollViewObject::setHasVerticalScroller, OnMainThread>(
            "setHasVerticalScroller:")
        .instanceMethod<&NSScrollViewObject::hasVerticalScroller, OnMainThread>(
            "hasVerticalScroller")
        .instanceMethod<&NSScrollViewObject::setHasHorizontalScroller, OnMainThread>(
            "setHasHorizontalScroller:")
        .instanceMethod<&NSScrollViewObject::hasHorizontalScroller, OnMainThread>(
            "hasHorizontalScroller")
        .instanceMethod<&NSScrollViewObject::setAutohidesScrollers, OnMainThread>(
            "setAutohidesScrollers:")
        .instanceMethod<&NSScrollViewObject::autohidesScrollers, OnMainThread>("autohidesScrollers")
        .instanceMethod<&NSScrollViewObject::setBorderType, OnMainThread>("setBorderType:")
        .instanceMethod<&NSScrollViewObject::borderType, OnMainThread>("borderType")
        .instanceMethod<&NSScrollViewObject::contentSize, OnMainThread>("contentSize")
        .instanceMethod<&setFrame, OnMainThread>("setFrame:")
        .instanceMethod<&setAutoresizingMask, OnMainThread>("setAutoresizingMask:")
        .instanceMethod<&autoresizingMask, OnMainThread>("autoresizingMask")
        .instanceMethod("isFlipped", &isFlipped)};

} // namespace
} // namespace sondrel::appkit
