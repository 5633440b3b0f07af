#include "platform/appkit/NSView.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSPasteboard.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

NSUInteger cocoaDragMask(Qt::DropActions actions) {
    NSUInteger mask = 0;
    if (actions & Qt::CopyAction)
        mask |= NSDragOperationCopy;
    if (actions & Qt::LinkAction)
        mask |= NSDragOperationLink;
    if (actions & Qt::MoveAction)
        mask |= NSDragOperationMove;
    return mask;
}

// The Qt action for a drag operation a view answered; Qt::IgnoreAction refuses.
Qt::DropAction qtDropAction(NSUInteger operation, const QDropEvent& event) {
    if (operation & NSDragOperationGeneric)
        return event.proposedAction();
    if (operation & NSDragOperationCopy)
        return Qt::CopyAction;
    if (operation & NSDragOperationMove)
        return Qt::MoveAction;
    if (operation & NSDragOperationLink)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// A mouse message to a view with its event (every view answers them: NSResponder has them all).
using MouseMessage = void (*)(NSViewObject* view, id event);
template <objc::SelectorText Name> void sendMouse(NSViewObject* view, id event) {
    objc::send<void>(view, objc::SelectorName<Name>{}, event);
}

} // namespace

// Turns the widget's Qt events into the view's messages.
struct NSViewObject::Bridge final : QObject {
    explicit Bridge(NSViewObject* view) : view(view) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* source = qobject_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            mouse(source, static_cast<QMouseEvent&>(*event));
            return false;
        case QEvent::Paint:
            if (watched == widget.data())
                objc::send<void>(view, "drawRect:"_sel, view->bounds());
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove:
            return dragOver(source, static_cast<QDragMoveEvent&>(*event),
                            event->type() == QEvent::DragEnter);
        case QEvent::DragLeave:
            if (!dragging)
                return false;
            dragging = false;
            objc::send<void>(view, "draggingExited:"_sel, static_cast<id>(nullptr));
            return true;
        case QEvent::Drop:
            return drop(source, static_cast<QDropEvent&>(*event));
        default:
            return false;
        }
    }

    void mouse(QWidget* source, const QMouseEvent& event) {
        const bool right = event.button() == Qt::RightButton;
        NSEventType type = NSEventTypeLeftMouseDown;
        MouseMessage message = sendMouse<"mouseDown:">;
        switch (event.type()) {
        case QEvent::MouseButtonDblClick:
            clickCount = 2;
            type = right ? NSEventTypeRightMouseDown : NSEventTypeLeftMouseDown;
            message = right ? sendMouse<"rightMouseDown:"> : sendMouse<"mouseDown:">;
            break;
        case QEvent::MouseButtonPress:
            clickCount = 1;
            type = right ? NSEventTypeRightMouseDown : NSEventTypeLeftMouseDown;
            message = right ? sendMouse<"rightMouseDown:"> : sendMouse<"mouseDown:">;
            break;
        case QEvent::MouseButtonRelease:
            type = right ? NSEventTypeRightMouseUp : NSEventTypeLeftMouseUp;
            message = right ? sendMouse<"rightMouseUp:"> : sendMouse<"mouseUp:">;
            break;
        default:
            if (!(event.buttons() & Qt::LeftButton))
                return;
            type = NSEventTypeLeftMouseDragged;
            message = sendMouse<"mouseDragged:">;
            break;
        }
        if (event.type() != QEvent::MouseMove && event.button() != Qt::LeftButton && !right)
            return;
        Retained<NSEventObject> cocoa = Retained<NSEventObject>::adopt(newEvent(type));
        if (!cocoa)
            return;
        cocoa->clickCount = clickCount;
        cocoa->modifierFlags = 0;
        if (NSWindowObject* window = view->window()) {
            cocoa->windowNumber = window->windowNumber();
            cocoa->locationInWindow = window->baseFromContentPoint(
                window->contentWidgetPoint(source, event.position().x(), event.position().y()));
        }
        message(view, cocoa.get());
    }

    Retained<NSDraggingInfoObject> draggingInfo(QWidget* source, const QDropEvent& event) {
        auto info = Retained<NSDraggingInfoObject>::adopt(
            static_cast<NSDraggingInfoObject*>(objc::createInstance("NSDraggingInfo"_class)));
        if (!info)
            return info;
        info->pasteboard = Retained<NSPasteboardObject>::adopt(newPasteboard());
        if (info->pasteboard)
            info->pasteboard->borrowMimeData(event.mimeData());
        info->sourceOperationMask = cocoaDragMask(event.possibleActions());
        if (NSWindowObject* window = view->window()) {
            info->destinationWindow = window;
            info->location = window->baseFromContentPoint(
                window->contentWidgetPoint(source, event.position().x(), event.position().y()));
        }
        return info;
    }

    // True when the pasteboard offers one of the view's registered types.
    bool wanted(const QDropEvent& event) const {
        Retained<NSPasteboardObject> pasteboard =
            Retained<NSPasteboardObject>::adopt(newPasteboard());
        if (!pasteboard)
            return false;
        pasteboard->borrowMimeData(event.mimeData());
        return !pasteboard->availableType(view->registeredDraggedTypes()).empty();
    }

    bool dragOver(QWidget* source, QDragMoveEvent& event, bool entering) {
        if (entering)
            dragging = wanted(event);
        if (!dragging)
            return false;
        Retained<NSDraggingInfoObject> info = draggingInfo(source, event);
        const id sender = info.get();
        const NSUInteger operation =
            entering ? objc::send<NSUInteger>(view, "draggingEntered:"_sel, sender)
                     : objc::send<NSUInteger>(view, "draggingUpdated:"_sel, sender);
        const Qt::DropAction action = qtDropAction(operation, event);
        if (action == Qt::IgnoreAction) {
            event.ignore();
        } else {
            event.setDropAction(action);
            event.accept();
        }
        return true;
    }

    bool drop(QWidget* source, QDropEvent& event) {
        if (!dragging)
            return false;
        dragging = false;
        Retained<NSDraggingInfoObject> info = draggingInfo(source, event);
        const id sender = info.get();
        const auto operation = qtDropAction(cocoaDragMask(event.possibleActions()), event);
        // A view that does not answer prepareForDragOperation: is ready for every drop.
        const bool prepared =
            objc::findMethod(view, objc::registerSelector("prepareForDragOperation:")) == nullptr ||
            objc::send<BOOL>(view, "prepareForDragOperation:"_sel, sender) != NO;
        if (prepared && objc::send<BOOL>(view, "performDragOperation:"_sel, sender) != NO) {
            event.setDropAction(operation == Qt::IgnoreAction ? Qt::CopyAction : operation);
            event.accept();
            objc::send<void>(view, "concludeDragOperation:"_sel, sender);
        } else {
            event.ignore();
        }
        if (info->pasteboard)
            info->pasteboard->borrowMimeData(nullptr); // the drag's data ends with this event
        return true;
    }

    void watch(QWidget* target) {
        target->installEventFilter(this);
        target->setProperty("sondrelView", QVariant::fromValue(reinterpret_cast<quintptr>(view)));
        target->setAcceptDrops(!view->registeredDraggedTypes().empty());
        watched.push_back(QPointer<QWidget>(target));
    }

    NSViewObject* view;
    QPointer<QWidget> widget;
    std::vector<QPointer<QWidget>> watched;
    NSInteger clickCount = 1;
    bool dragging = false;
};

NSViewObject* viewOfWidget(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant view = widget->property("sondrelView");
        if (view.isValid())
            return objc::liveCast<NSViewObject>(reinterpret_cast<void*>(view.value<quintptr>()));
    }
    return nullptr;
}

NSViewObject::NSViewObject(Class cls) : NSResponderObject(cls), m_bridge(new Bridge(this)) {
    auto* widget = new QWidget; // owned through m_bridge->widget
    widget->setAttribute(Qt::WA_NoMousePropagation, false);
    m_bridge->widget = widget;
    m_bridge->watch(widget);
}

NSViewObject::~NSViewObject() {
    for (const Retained<NSViewObject>& subview : m_subviews)
        subview->m_superview = nullptr;
    m_subviews.clear();
    if (QWidget* widget = m_bridge->widget.data()) {
        widget->removeEventFilter(m_bridge.get());
        widget->hide();
        widget->deleteLater(); // it may be handling the event that released us
    }
    for (const QPointer<QWidget>& watched : m_bridge->watched) {
        if (watched) {
            watched->removeEventFilter(m_bridge.get());
            watched->setProperty("sondrelView", QVariant());
        }
    }
    m_bridge.reset();
}

QWidget* NSViewObject::widget() const {
    return m_bridge->widget.data();
}

void NSViewObject::adoptWidget(QWidget* widget) {
    QWidget* old = m_bridge->widget.data();
    QWidget* parent = old != nullptr ? old->parentWidget() : nullptr;
    m_bridge->widget = widget;
    m_bridge->watch(widget);
    if (old != nullptr) {
        // The new widget takes over the old one's children (the subviews' widgets).
        for (const Retained<NSViewObject>& subview : m_subviews) {
            if (QWidget* child = subview->widget())
                child->setParent(widget);
        }
        old->removeEventFilter(m_bridge.get());
        old->hide();
        old->deleteLater();
    }
    if (parent != nullptr)
        widget->setParent(parent);
    placeWidget();
}

void NSViewObject::forwardEventsFrom(QWidget* child) {
    m_bridge->watch(child);
}

NSRect NSViewObject::frame() const {
    return m_frame;
}

void NSViewObject::setFrame(NSRect frame) {
    m_frame = frame;
    placeWidget();
}

NSRect NSViewObject::bounds() const {
    return NSRect{{0, 0}, m_frame.size};
}

bool NSViewObject::isFlipped() const {
    return objc::send<BOOL>(this, "isFlipped"_sel) != NO;
}

void NSViewObject::placeWidget() {
    QWidget* widget = m_bridge->widget.data();
    if (widget == nullptr || m_contentWindow != nullptr)
        return; // a content view is placed by its window
    double y = m_frame.origin.y;
    if (m_superview != nullptr && !m_superview->isFlipped())
        y = m_superview->m_frame.size.height - y - m_frame.size.height;
    widget->setGeometry(qRound(m_frame.origin.x), qRound(y), qRound(m_frame.size.width),
                        qRound(m_frame.size.height));
}

void NSViewObject::addSubview(NSViewObject* view) {
    if (view == nullptr || view == this)
        return;
    Retained<NSViewObject> held = Retained<NSViewObject>::retain(view);
    view->removeFromSuperview();
    view->m_superview = this;
    m_subviews.push_back(held);
    if (QWidget* child = view->widget()) {
        child->setParent(widget());
        view->placeWidget();
        child->setVisible(!view->m_hidden);
    }
}

void NSViewObject::removeFromSuperview() {
    NSViewObject* superview = std::exchange(m_superview, nullptr);
    if (superview == nullptr)
        return;
    if (QWidget* widget = m_bridge->widget.data()) {
        widget->hide();
        widget->setParent(nullptr);
    }
    // Dropping the superview's reference may deallocate us: do it last.
    auto& siblings = superview->m_subviews;
    const auto found = std::find(siblings.begin(), siblings.end(), this);
    if (found != siblings.end()) {
        Retained<NSViewObject> last = std::move(*found);
        siblings.erase(found);
    }
}

NSWindowObject* NSViewObject::window() const {
    const NSViewObject* view = this;
    while (view->m_superview != nullptr)
        view = view->m_superview;
    return view->m_contentWindow;
}

void NSViewObject::setContentWindow(NSWindowObject* window) {
    m_contentWindow = window;
}

void NSViewObject::setHidden(bool hidden) {
    m_hidden = hidden;
    if (QWidget* widget = m_bridge->widget.data(); widget != nullptr && m_superview != nullptr)
        widget->setVisible(!hidden);
}

void NSViewObject::setNeedsDisplay(bool flag) {
    if (QWidget* widget = m_bridge->widget.data(); widget != nullptr && flag)
        widget->update();
}

void NSViewObject::setToolTip(const std::u16string& text) {
    if (QWidget* widget = m_bridge->widget.data())
        widget->setToolTip(QString::fromStdU16String(text));
}

NSPoint NSViewObject::toWidget(NSPoint point) const {
    if (isFlipped())
        return point;
    return NSPoint{point.x, m_frame.size.height - point.y};
}

NSPoint NSViewObject::fromWidget(NSPoint point) const {
    return toWidget(point);
}

NSPoint NSViewObject::convertPointFromView(NSPoint point, const NSViewObject* view) const {
    NSWindowObject* window = this->window();
    QWidget* target = widget();
    if (window == nullptr || target == nullptr)
        return point;
    NSPoint inContent = view == nullptr
                            ? window->contentPointFromBase(point)
                            : window->contentWidgetPoint(view->widget(), view->toWidget(point).x,
                                                         view->toWidget(point).y);
    const NSPoint local = window->widgetPointFromContent(target, inContent);
    return fromWidget(local);
}

NSPoint NSViewObject::convertPointToView(NSPoint point, const NSViewObject* view) const {
    NSWindowObject* window = this->window();
    QWidget* source = widget();
    if (window == nullptr || source == nullptr)
        return point;
    const NSPoint local = toWidget(point);
    const NSPoint inContent = window->contentWidgetPoint(source, local.x, local.y);
    if (view == nullptr)
        return window->baseFromContentPoint(inContent);
    return view->fromWidget(window->widgetPointFromContent(view->widget(), inContent));
}

void NSViewObject::registerForDraggedTypes(const std::vector<std::u16string>& types) {
    m_draggedTypes = types;
    for (const QPointer<QWidget>& watched : m_bridge->watched) {
        if (watched)
            watched->setAcceptDrops(!types.empty());
    }
}

void NSViewObject::unregisterDraggedTypes() {
    registerForDraggedTypes({});
}

NSViewObject* newView(NSRect frame, const char* className) {
    auto* view = static_cast<NSViewObject*>(objc::createInstance(objc::lookUpClass(className)));
    if (view != nullptr)
        view->setFrame(frame);
    return view;
}

} // namespace sondrel::appkit
