#include "platform/appkit/NSWindow.h"

#include <algorithm>

#include <QMenuBar>
#include <QWidget>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/ScreenGeometry.h"
#include "platform/appkit/WindowWidget.h"
#include "platform/objc/Messaging.h"

// A window's life (the window list, its widget, style and flags), its title, content view, menu
// and first responder, and the points between its widgets. Placement and ordering are in
// NSWindowPlacement.cpp, what the delegate is told in NSWindowNotifications.cpp.

namespace sondrel::appkit {
namespace {

std::vector<NSWindowObject*>& windowList() {
    static std::vector<NSWindowObject*> windows; // main thread only
    return windows;
}

NSInteger g_nextWindowNumber = 1;

} // namespace

NSInteger CGWindowLevelForKey(int key) {
    return key == 5 ? NSFloatingWindowLevel : NSNormalWindowLevel;
}

NSWindowObject::NSWindowObject(Class cls)
    : NSResponderObject(cls), m_native(std::make_unique<WindowNative>()) {
    m_number = g_nextWindowNumber++;
    windowList().push_back(this);
}

NSWindowObject::~NSWindowObject() {
    m_closed = true; // nothing is told about a window being deallocated
    std::erase(windowList(), this);
    if (NSApplicationObject* app = NSApplicationObject::existing())
        app->windowGone(this);
    for (NSWindowObject* child : m_children)
        child->m_parent = nullptr;
    if (m_parent != nullptr)
        std::erase(m_parent->m_children, this);
    if (m_contentView)
        m_contentView->setContentWindow(nullptr);
    if (WindowWidget* widget = m_native->widget.data()) {
        widget->owner = nullptr;
        widget->hide();
        widget->deleteLater();
    }
}

NSWindowObject* NSWindowObject::windowWithNumber(NSInteger number) {
    for (NSWindowObject* window : windowList()) {
        if (window->m_number == number)
            return window;
    }
    return nullptr;
}

NSWindowObject* NSWindowObject::windowOfWidget(const QWidget* widget) {
    const auto* window =
        dynamic_cast<const WindowWidget*>(widget != nullptr ? widget->window() : nullptr);
    return window != nullptr ? window->owner : nullptr;
}

std::vector<NSWindowObject*> NSWindowObject::allWindows() {
    return windowList();
}

bool NSWindowObject::initWithContentRect(NSRect content, NSUInteger styleMask) {
    if (m_native->widget != nullptr || content.size.width < 0 || content.size.height < 0)
        return false;
    m_styleMask = styleMask;
    auto* widget = new WindowWidget(this); // deleted with the window (deleteLater)
    m_native->widget = widget;
    const double top = screenHeight() - content.origin.y - content.size.height;
    widget->setGeometry(qRound(content.origin.x), qRound(top), qRound(content.size.width),
                        qRound(content.size.height));
    applyWindowFlags();
    m_contentMinSize = NSSize{0, 0};
    m_contentMaxSize = NSSize{1e6, 1e6};
    return true;
}

void NSWindowObject::applyWindowFlags() {
    WindowWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return;
    Qt::WindowFlags flags = Qt::Window;
    if (m_styleMask == NSWindowStyleMaskBorderless) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
        if (m_styleMask & NSWindowStyleMaskClosable)
            flags |= Qt::WindowCloseButtonHint;
        if ((m_styleMask & NSWindowStyleMaskMiniaturizable) && !m_miniaturizeHidden)
            flags |= Qt::WindowMinimizeButtonHint;
        if ((m_styleMask & NSWindowStyleMaskResizable) && !m_zoomHidden)
            flags |= Qt::WindowMaximizeButtonHint;
    }
    if (m_level > NSNormalWindowLevel)
        flags |= Qt::WindowStaysOnTopHint;
    const bool visible = widget->isVisible();
    if (widget->windowFlags() != flags) {
        widget->setWindowFlags(flags); // hides the widget; shown again below
        if (visible)
            widget->show();
    }
    if (m_styleMask & NSWindowStyleMaskResizable) {
        widget->setMinimumSize(0, 0);
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        widget->setFixedSize(widget->size());
    }
}

void NSWindowObject::setTitle(const std::u16string& title) {
    if (QWidget* widget = m_native->widget.data())
        widget->setWindowTitle(QString::fromStdU16String(title));
}

std::u16string NSWindowObject::title() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr ? widget->windowTitle().toStdU16String() : std::u16string();
}

NSViewObject* NSWindowObject::firstResponder() const {
    const QWidget* widget = m_native->widget.data();
    return widget != nullptr ? viewOfWidget(widget->focusWidget()) : nullptr;
}

bool NSWindowObject::makeFirstResponder(NSViewObject* view) {
    QWidget* widget = m_native->widget.data();
    if (widget == nullptr)
        return false;
    if (view == nullptr) {
        if (QWidget* focus = widget->focusWidget())
            focus->clearFocus();
        return true;
    }
    QWidget* target = view->widget();
    if (target == nullptr || view->window() != this ||
        objc::send<BOOL>(view, "acceptsFirstResponder"_sel) == NO)
        return false;
    // Qt keeps the focus widget of a window that is not active and gives it the focus when
    // the window is activated; the focus events then tell the views.
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

void NSWindowObject::setContentView(NSViewObject* view) {
    WindowWidget* widget = m_native->widget.data();
    Retained<NSViewObject> held = Retained<NSViewObject>::retain(view);
    if (m_contentView) {
        m_contentView->setContentWindow(nullptr);
        if (QWidget* old = m_contentView->widget()) {
            old->hide();
            old->setParent(nullptr);
        }
    }
    m_contentView = held;
    if (view == nullptr || widget == nullptr)
        return;
    view->removeFromSuperview();
    view->setContentWindow(this);
    if (QWidget* content = view->widget()) {
        content->setParent(widget);
        widget->content = content;
        widget->layoutChildren();
        content->show();
        view->setFrame(NSRect{{0, 0}, {double(content->width()), double(content->height())}});
    }
}

void NSWindowObject::setMenu(NSMenuObject* menu) {
    WindowWidget* widget = m_native->widget.data();
    Retained<NSMenuObject> held = Retained<NSMenuObject>::retain(menu);
    if (m_menu && widget != nullptr && widget->menuBar != nullptr)
        m_menu->detachMenuBar(widget->menuBar);
    m_menu = held;
    if (widget == nullptr)
        return;
    if (widget->menuBar != nullptr) {
        widget->menuBar->hide();
        widget->menuBar->deleteLater();
    }
    widget->menuBar = menu != nullptr ? menu->makeMenuBar(widget) : nullptr;
    if (widget->menuBar != nullptr) {
        widget->menuBar->installEventFilter(widget);
        widget->menuBar->show();
    }
    widget->fitMenuBar(); // the content keeps its size: the window grows by the menu bar
}

QWidget* NSWindowObject::widget() const {
    return m_native->widget.data();
}

NSPoint NSWindowObject::contentWidgetPoint(const QWidget* source, double x, double y) const {
    const WindowWidget* window = m_native->widget.data();
    const QWidget* content = window != nullptr ? window->content.data() : nullptr;
    if (source == nullptr || content == nullptr)
        return NSPoint{x, y};
    const QPointF point = source->mapTo(content, QPointF(x, y));
    return NSPoint{point.x(), point.y()};
}

NSPoint NSWindowObject::baseFromContentPoint(NSPoint point) const {
    const NSViewObject* content = m_contentView.get();
    const double height = content != nullptr ? content->frame().size.height : 0;
    const WindowWidget* window = m_native->widget.data();
    const double contentHeight =
        window != nullptr && window->content != nullptr ? window->content->height() : height;
    return NSPoint{point.x, contentHeight - point.y};
}

NSPoint NSWindowObject::contentPointFromBase(NSPoint point) const {
    return baseFromContentPoint(point); // the same reflection both ways
}

NSPoint NSWindowObject::widgetPointFromContent(const QWidget* target, NSPoint point) const {
    const WindowWidget* window = m_native->widget.data();
    const QWidget* content = window != nullptr ? window->content.data() : nullptr;
    if (target == nullptr || content == nullptr)
        return point;
    const QPointF local = target->mapFrom(content, QPointF(point.x, point.y));
    return NSPoint{local.x(), local.y()};
}

} // namespace sondrel::appkit
