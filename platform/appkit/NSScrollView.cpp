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
    performOnMainThread([&] { adoptWidget(new ScrollWidget(this)); });
}

NSScrollViewObject::~NSScrollViewObject() {
    performOnMainThread([&] {
        if (auto* scroll = static_cast<ScrollWidget*>(widget()))
            scroll->detach(); // the widget is deleted a little later
    });
}

void NSScrollViewObject::setDocumentView(NSViewObject* view) {
    performOnMainThread([&] {
        if (m_document.get() == view)
            return;
        if (m_document)
            m_document->removeFromSuperview();
        m_document = Retained<NSViewObject>::retain(view);
        if (view != nullptr)
            addSubview(view);
        applyDecorations();
        tile();
    });
}

void NSScrollViewObject::tile() {
    performOnMainThread([&] {
        if (!m_document)
            return;
        const NSRect bounds = this->bounds();
        if (textViewOf(m_document.get()) != nullptr) {
            m_document->setFrame(bounds); // the text view draws the border and scrolls itself
        } else {
            NSRect frame = m_document->frame();
            frame.origin = NSPoint{0, 0};
            m_document->setFrame(frame);
        }
    });
}

void NSScrollViewObject::applyDecorations() {
    if (NSTextViewObject* text = textViewOf(m_document.get())) {
        text->setScrollers(m_vertical, m_horizontal, m_autohides);
        text->setBorderType(m_border);
    }
}

void NSScrollViewObject::setHasVerticalScroller(bool flag) {
    performOnMainThread([&] {
        m_vertical = flag;
        applyDecorations();
    });
}

void NSScrollViewObject::setHasHorizontalScroller(bool flag) {
    performOnMainThread([&] {
        m_horizontal = flag;
        applyDecorations();
    });
}

void NSScrollViewObject::setAutohidesScrollers(bool flag) {
    performOnMainThread([&] {
        m_autohides = flag;
        applyDecorations();
    });
}

void NSScrollViewObject::setBorderType(NSUInteger type) {
    performOnMainThread([&] {
        m_border = type;
        applyDecorations();
    });
}

NSSize NSScrollViewObject::contentSize() const {
    const NSRect frame = this->frame();
    const double border = borderWidth(onMainThread([&] { return m_border; }));
    return NSSize{std::max(0.0, frame.size.width - 2 * border),
                  std::max(0.0, frame.size.height - 2 * border)};
}

namespace {

void setDocumentView(NSScrollViewObject* self, SEL, id view) {
    self->setDocumentView(objc::liveCast<NSViewObject>(view));
}
id documentView(NSScrollViewObject* self, SEL) {
    return onMainThread([&] { return self->documentView(); });
}
void setHasVerticalScroller(NSScrollViewObject* self, SEL, BOOL flag) {
    self->setHasVerticalScroller(flag != NO);
}
BOOL hasVerticalScroller(NSScrollViewObject* self, SEL) {
    return self->hasVerticalScroller() ? YES : NO;
}
void setHasHorizontalScroller(NSScrollViewObject* self, SEL, BOOL flag) {
    self->setHasHorizontalScroller(flag != NO);
}
BOOL hasHorizontalScroller(NSScrollViewObject* self, SEL) {
    return self->hasHorizontalScroller() ? YES : NO;
}
void setAutohidesScrollers(NSScrollViewObject* self, SEL, BOOL flag) {
    self->setAutohidesScrollers(flag != NO);
}
BOOL autohidesScrollers(NSScrollViewObject* self, SEL) {
    return self->autohidesScrollers() ? YES : NO;
}
void setBorderType(NSScrollViewObject* self, SEL, NSUInteger type) {
    self->setBorderType(type);
}
NSUInteger borderType(NSScrollViewObject* self, SEL) {
    return self->borderType();
}
NSSize contentSize(NSScrollViewObject* self, SEL) {
    return self->contentSize();
}
void setFrame(NSScrollViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    self->tile();
}
void setAutoresizing(NSScrollViewObject* self, SEL, NSUInteger mask) {
    performOnMainThread([&] { setAutoresizingMask(self, mask); });
}
NSUInteger autoresizing(NSScrollViewObject* self, SEL) {
    return onMainThread([&] { return autoresizingMask(self); });
}
BOOL isFlipped(NSScrollViewObject*, SEL) {
    return YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSScrollView", "NSView", objc::factoryFor<NSScrollViewObject>())
        .instanceMethod("setDocumentView:", &setDocumentView)
        .instanceMethod("documentView", &documentView)
        .instanceMethod("setHasVerticalScroller:", &setHasVerticalScroller)
        .instanceMethod("hasVerticalScroller", &hasVerticalScroller)
        .instanceMethod("setHasHorizontalScroller:", &setHasHorizontalScroller)
        .instanceMethod("hasHorizontalScroller", &hasHorizontalScroller)
        .instanceMethod("setAutohidesScrollers:", &setAutohidesScrollers)
        .instanceMethod("autohidesScrollers", &autohidesScrollers)
        .instanceMethod("setBorderType:", &setBorderType)
        .instanceMethod("borderType", &borderType)
        .instanceMethod("contentSize", &contentSize)
        .instanceMethod("setFrame:", &setFrame)
        .instanceMethod("setAutoresizingMask:", &setAutoresizing)
        .instanceMethod("autoresizingMask", &autoresizing)
        .instanceMethod("isFlipped", &isFlipped)};

} // namespace
} // namespace sondrel::appkit
