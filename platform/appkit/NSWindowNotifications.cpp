#include "platform/appkit/NSWindow.h"

#include <QWidget>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/WindowWidget.h"
#include "platform/objc/Messaging.h"

// What a window's delegate is told, and what Qt tells the window: closing (asked, then done),
// moves, resizes, miniaturizing, key status and updates.

namespace sondrel::appkit {

void NSWindowObject::notify(const char* selector) {
    const SEL sel = objc::registerSelector(selector);
    if (m_delegate == nullptr || objc::findMethod(m_delegate, sel) == nullptr)
        return;
    std::u16string name = u"NSWindow";
    for (const char* c = selector + 6; *c != ':' && *c != '\0';
         ++c) // "windowDidMove:" -> ...DidMove
        name.push_back(static_cast<char16_t>(*c));
    objc::send<void>(m_delegate, sel,
                     static_cast<id>(notificationNamed(name + u"Notification", this)));
}

void NSWindowObject::update() {
    notify("windowDidUpdate:");
}

void NSWindowObject::becameKey() {
    notify("windowDidBecomeKey:");
}

void NSWindowObject::resignedKey() {
    notify("windowDidResignKey:");
}

void NSWindowObject::performClose() {
    if (m_closed)
        return;
    const SEL shouldClose = objc::registerSelector("windowShouldClose:");
    if (objc::findMethod(m_delegate, shouldClose) != nullptr &&
        objc::send<BOOL>(m_delegate, shouldClose, static_cast<id>(this)) == NO)
        return;
    close();
}

void NSWindowObject::close() {
    if (m_closed)
        return;
    m_closed = true;
    Retained<NSWindowObject> keepAlive = Retained<NSWindowObject>::retain(this);
    notify("windowWillClose:");
    for (NSWindowObject* child : std::vector<NSWindowObject*>(m_children))
        removeChildWindow(child);
    if (m_parent != nullptr)
        m_parent->removeChildWindow(this);
    orderOut();
    if (m_releasedWhenClosed)
        objc::release(this);
}

void NSWindowObject::qtCloseRequested() {
    performClose();
}

void NSWindowObject::qtMoved() {
    notify("windowDidMove:");
}

void NSWindowObject::qtResized() {
    if (m_contentView) {
        if (const WindowWidget* window = m_native->widget.data(); window && window->content) {
            const QSize size = window->content->size();
            m_contentView->setFrame(NSRect{{0, 0}, {double(size.width()), double(size.height())}});
        }
    }
    notify("windowDidResize:");
}

void NSWindowObject::qtStateChanged(bool wasMinimized) {
    const QWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return;
    const bool minimized = widget->isMinimized();
    if (minimized && !wasMinimized)
        notify("windowDidMiniaturize:");
    else if (!minimized && wasMinimized)
        notify("windowDidDeminiaturize:");
}

void NSWindowObject::qtActivated() {
    NSApplicationObject::shared()->syncKeyWindowWithQt();
}

} // namespace sondrel::appkit
