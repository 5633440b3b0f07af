#pragma once

// NSResponder and NSView over Qt widgets.
//
// A view holds one QWidget that does its drawing and input (a plain widget here; control classes
// put theirs in its place with adoptWidget). Subviews are retained by their superview and their
// widgets are children of its widget. Geometry follows Cocoa: a view's frame is in its superview's
// coordinates, which grow upwards unless the superview is flipped (isFlipped); Qt's own
// coordinates always grow downwards, so flipped views need no conversion.
//
// Mouse, paint and drag events of the widget reach the view as messages (mouseDown:, mouseUp:,
// rightMouseUp:, mouseDragged:, drawRect:, draggingEntered:, draggingUpdated:, draggingExited:,
// prepareForDragOperation:, performDragOperation:), so subclasses made in the object runtime
// override them like Cocoa subclasses would. Drags are offered to a view only when their
// pasteboard holds one of the view's registered dragged types.
//
// Views belong to the main thread: the class tables run their messages there (a message sent
// from another thread is carried there), and C++ callers call from there.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Retained.h"

class QWidget;

namespace sondrel::appkit {

class NSWindowObject;

class NSResponderObject : public objc::Object {
public:
    using Object::Object;
};

class NSViewObject : public NSResponderObject {
public:
    explicit NSViewObject(Class cls);
    ~NSViewObject() override;

    // The widget (owned by the view; null only after the widget was destroyed by Qt).
    QWidget* widget() const;
    // Replaces the view's widget by `widget`, taking ownership (for control classes).
    void adoptWidget(QWidget* widget);
    // Also forwards mouse and drag events of `child` (for example a scroll area's viewport).
    void forwardEventsFrom(QWidget* child);

    NSRect frame() const;
    void setFrame(NSRect frame);
    NSRect bounds() const;
    // Sends isFlipped, so subclasses decide.
    bool isFlipped() const;

    void addSubview(NSViewObject* view);
    void removeFromSuperview();
    NSViewObject* superview() const { return m_superview; }
    const std::vector<Retained<NSViewObject>>& subviews() const { return m_subviews; }
    NSWindowObject* window() const;

    void setHidden(bool hidden);
    bool isHidden() const { return m_hidden; }
    void setNeedsDisplay(bool flag);
    void setToolTip(const std::u16string& text);

    // Points between views; a null view stands for the window's base coordinates (origin at the
    // bottom left of the content area, y upwards).
    NSPoint convertPointFromView(NSPoint point, const NSViewObject* view) const;
    NSPoint convertPointToView(NSPoint point, const NSViewObject* view) const;

    void registerForDraggedTypes(const std::vector<std::u16string>& types);
    void unregisterDraggedTypes();
    const std::vector<std::u16string>& registeredDraggedTypes() const { return m_draggedTypes; }

    // Made the content view of `window` (or detached from it with null).
    void setContentWindow(NSWindowObject* window);

private:
    struct Bridge;
    friend struct Bridge;

    NSPoint toWidget(NSPoint point) const;   // view coordinates to Qt widget coordinates
    NSPoint fromWidget(NSPoint point) const; // and back
    void placeWidget();

    std::unique_ptr<Bridge> m_bridge;
    NSViewObject* m_superview = nullptr;       // borrowed: the superview retains us
    NSWindowObject* m_contentWindow = nullptr; // borrowed: set while we are its content view
    std::vector<Retained<NSViewObject>> m_subviews;
    std::vector<std::u16string> m_draggedTypes;
    NSRect m_frame;
    bool m_hidden = false;
};

// The view a widget belongs to: the view of the widget or of the nearest of its parents that has
// one; null for none.
NSViewObject* viewOfWidget(const QWidget* widget);

// A new plain view with the frame, owned by the caller.
NSViewObject* newView(NSRect frame, const char* className = "NSView");

} // namespace sondrel::appkit
