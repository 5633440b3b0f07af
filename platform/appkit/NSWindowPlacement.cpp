#include "platform/appkit/NSWindow.h"

#include <algorithm>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/ScreenGeometry.h"
#include "platform/appkit/WindowWidget.h"
#include "platform/objc/Messaging.h"

// Where a window is and how it stands among the others: its frame and content rectangle, showing,
// hiding and key status, miniaturizing and zooming, levels, child windows, opacity and the
// title-bar buttons.

namespace sondrel::appkit {
namespace {

// Title bar height assumed until a window manager has framed a window.
constexpr int kTitleBarEstimate = 22;

} // namespace

NSRect NSWindowObject::frameRectForContentRect(NSRect content, NSUInteger styleMask) {
    if ((styleMask & NSWindowStyleMaskTitled) != 0)
        content.size.height += kTitleBarEstimate;
    return content;
}

NSRect NSWindowObject::cocoaFromQt(int x, int y, int width, int height) const {
    return cocoaScreenRect(QRect(x, y, width, height));
}

// The frame adds a title bar of the estimated height to the client area: window managers frame
// windows in their own ways (and only once shown), so positions stay consistent by not asking.
int NSWindowObject::titleBarHeight() const {
    return (m_styleMask & NSWindowStyleMaskTitled) ? kTitleBarEstimate : 0;
}

NSRect NSWindowObject::frame() const {
    const WindowWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return NSRect{};
    QRect frame = widget->geometry();
    frame.setTop(frame.top() - titleBarHeight());
    return cocoaScreenRect(frame);
}

void NSWindowObject::setFrame(NSRect frame, bool /*display*/) {
    WindowWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return;
    const double top = screenHeight() - frame.origin.y - frame.size.height;
    const QRect client(qRound(frame.origin.x), qRound(top) + titleBarHeight(),
                       qRound(frame.size.width),
                       std::max(0, qRound(frame.size.height) - titleBarHeight()));
    if (!(m_styleMask & NSWindowStyleMaskResizable))
        widget->setFixedSize(client.size());
    widget->setGeometry(client);
}

NSRect NSWindowObject::contentRect() const {
    const WindowWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return NSRect{};
    const QRect client = widget->geometry();
    const int menu = widget->menuBarHeight();
    return cocoaFromQt(client.x(), client.y() + menu, client.width(),
                       std::max(0, client.height() - menu));
}

void NSWindowObject::center() {
    const NSRect current = frame();
    const NSRect screen = cocoaScreenRect(screenGeometry(true));
    NSRect centred = current;
    centred.origin.x = screen.origin.x + (screen.size.width - current.size.width) / 2;
    centred.origin.y = screen.origin.y + (screen.size.height - current.size.height) / 2;
    setFrame(centred, true);
}

NSPoint NSWindowObject::convertBaseToScreen(NSPoint point) const {
    const NSRect content = contentRect();
    return NSPoint{content.origin.x + point.x, content.origin.y + point.y};
}

void NSWindowObject::orderFront() {
    show(false);
}

// Shows the window; without `activate`, Qt is asked not to activate it (key status is the
// application's business).
void NSWindowObject::show(bool activate) {
    QWidget* widget = m_native->widget.data();
    if (widget == nullptr || m_closed)
        return;
    widget->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    if (!activate && !isKeyWindow())
        m_waitsForUser = true;
    widget->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        widget->raise(); // the offscreen platform has no stacking order to change
}

void NSWindowObject::orderOut() {
    NSApplicationObject* app = NSApplicationObject::shared();
    if (QWidget* widget = m_native->widget.data()) {
        // Qt may activate another window at once; the application decides which is key.
        const NSApplicationObject::QtActivationIgnored ignored(*app);
        widget->hide();
    }
    app->windowGone(this);
    app->reassertKeyWindow();
}

void NSWindowObject::makeKeyAndOrderFront() {
    show(true);
    makeKeyWindow();
}

void NSWindowObject::makeKeyWindow() {
    QWidget* widget = m_native->widget.data();
    if (widget == nullptr || m_closed || !widget->isVisible())
        return;
    m_waitsForUser = false;
    NSApplicationObject::shared()->setKeyWindow(this);
    widget->activateWindow();
}

bool NSWindowObject::isKeyWindow() const {
    const NSApplicationObject* app = NSApplicationObject::existing();
    return app != nullptr && app->keyWindow() == this;
}

bool NSWindowObject::isVisible() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr && widget->isVisible();
}

void NSWindowObject::miniaturize() {
    if (QWidget* widget = m_native->widget.data())
        widget->setWindowState(widget->windowState() | Qt::WindowMinimized);
}

void NSWindowObject::deminiaturize() {
    if (QWidget* widget = m_native->widget.data())
        widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
}

bool NSWindowObject::isMiniaturized() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr && widget->isMinimized();
}

void NSWindowObject::zoom() {
    QWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return;
    const bool zoomed = widget->isMaximized();
    const NSRect target = zoomed && m_native->normalGeometry.isValid()
                              ? cocoaScreenRect(m_native->normalGeometry)
                              : cocoaScreenRect(screenGeometry(true));
    const SEL shouldZoom = objc::registerSelector("windowShouldZoom:toFrame:");
    if (objc::findMethod(m_delegate, shouldZoom) != nullptr &&
        objc::send<BOOL>(m_delegate, shouldZoom, static_cast<id>(this), target) == NO)
        return;
    if (zoomed) {
        widget->setWindowState(widget->windowState() & ~Qt::WindowMaximized);
    } else {
        m_native->normalGeometry = widget->geometry();
        widget->setWindowState(widget->windowState() | Qt::WindowMaximized);
    }
}

bool NSWindowObject::isZoomed() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr && widget->isMaximized();
}

void NSWindowObject::addChildWindow(NSWindowObject* child) {
    if (child == nullptr || child == this || child->m_parent == this)
        return;
    if (child->m_parent != nullptr)
        child->m_parent->removeChildWindow(child);
    child->m_parent = this;
    m_children.push_back(child);
    QWidget* own = widget();
    QWidget* other = child->widget();
    if (own != nullptr && other != nullptr) {
        own->winId(); // the native windows must exist to be linked
        other->winId();
        other->windowHandle()->setTransientParent(own->windowHandle());
    }
}

void NSWindowObject::removeChildWindow(NSWindowObject* child) {
    if (child == nullptr || child->m_parent != this)
        return;
    child->m_parent = nullptr;
    std::erase(m_children, child);
    if (QWidget* other = child->widget(); other != nullptr && other->windowHandle() != nullptr)
        other->windowHandle()->setTransientParent(nullptr);
}

void NSWindowObject::setLevel(NSInteger level) {
    m_level = level;
    const bool wasKey = isKeyWindow();
    applyWindowFlags();
    if (wasKey)
        makeKeyWindow();
}

void NSWindowObject::setAlphaValue(double alpha) {
    if (QWidget* widget = m_native->widget.data())
        widget->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
}

double NSWindowObject::alphaValue() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr ? widget->windowOpacity() : 1.0;
}

void NSWindowObject::setStandardButtonHidden(NSWindowButton button, bool hidden) {
    if (button == NSWindowZoomButton)
        m_zoomHidden = hidden;
    else if (button == NSWindowMiniaturizeButton)
        m_miniaturizeHidden = hidden;
    applyWindowFlags();
}

bool NSWindowObject::isStandardButtonHidden(NSWindowButton button) const {
    return button == NSWindowZoomButton          ? m_zoomHidden
           : button == NSWindowMiniaturizeButton ? m_miniaturizeHidden
                                                 : false;
}

} // namespace sondrel::appkit
