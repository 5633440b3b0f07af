#include "platform/appkit/NSWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSView.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

// Title bar height assumed until a window manager has framed a window.
constexpr int kTitleBarEstimate = 22;

std::vector<NSWindowObject*>& windowList() {
    static std::vector<NSWindowObject*> windows; // main thread only
    return windows;
}

NSInteger g_nextWindowNumber = 1;

QRect screenGeometry(bool available) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return QRect(0, 0, 1024, 768);
    return available ? screen->availableGeometry() : screen->geometry();
}

double screenHeight() {
    return screenGeometry(false).height();
}

NSRect cocoaScreenRect(const QRect& rect) {
    return NSRect{{double(rect.x()), screenHeight() - rect.y() - rect.height()},
                  {double(rect.width()), double(rect.height())}};
}

} // namespace

// The top-level widget: the window's menu bar (if any) above its content view.
class WindowWidget final : public QWidget {
public:
    explicit WindowWidget(NSWindowObject* owner) : owner(owner) {}

    void layoutChildren() {
        const int top = menuBarSpace;
        if (menuBar != nullptr)
            menuBar->setGeometry(0, 0, width(), top);
        if (content != nullptr)
            content->setGeometry(0, top, width(), std::max(0, height() - top));
    }

    int menuBarHeight() const { return menuBarSpace; }

    // Gives the menu bar the room it needs now (it has none while it has no items), growing or
    // shrinking the window so that the content keeps its size.
    void fitMenuBar() {
        const int wanted =
            menuBar != nullptr && !menuBar->actions().isEmpty() ? menuBar->sizeHint().height() : 0;
        const int change = wanted - menuBarSpace;
        menuBarSpace = wanted;
        if (change != 0) {
            const QSize size(width(), height() + change);
            if (minimumSize() == maximumSize())
                setFixedSize(size);
            resize(size);
        }
        layoutChildren();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == menuBar &&
            (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved ||
             event->type() == QEvent::ActionChanged))
            QMetaObject::invokeMethod(
                this, [this] { fitMenuBar(); }, Qt::QueuedConnection);
        return false;
    }

    NSWindowObject* owner; // cleared when the window goes
    QPointer<QMenuBar> menuBar;
    QPointer<QWidget> content;
    int menuBarSpace = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore(); // the close button only asks; the window decides
        if (owner != nullptr)
            owner->qtCloseRequested();
    }
    void moveEvent(QMoveEvent*) override {
        if (owner != nullptr && isVisible())
            owner->qtMoved();
    }
    void resizeEvent(QResizeEvent*) override {
        layoutChildren();
        if (owner != nullptr)
            owner->qtResized();
    }
    void changeEvent(QEvent* event) override {
        if (owner != nullptr && event->type() == QEvent::WindowStateChange) {
            const auto* change = static_cast<QWindowStateChangeEvent*>(event);
            owner->qtStateChanged((change->oldState() & Qt::WindowMinimized) != 0);
        } else if (owner != nullptr && event->type() == QEvent::ActivationChange) {
            owner->qtActivated();
        }
        QWidget::changeEvent(event);
    }
};

struct NSWindowObject::Native {
    QPointer<WindowWidget> widget;
    QRect normalGeometry; // before zooming
};

NSInteger CGWindowLevelForKey(int key) {
    return key == 5 ? NSFloatingWindowLevel : NSNormalWindowLevel;
}

NSWindowObject::NSWindowObject(Class cls) : NSResponderObject(cls), m_native(new Native) {
    performOnMainThread([&] {
        m_number = g_nextWindowNumber++;
        windowList().push_back(this);
    });
}

NSWindowObject::~NSWindowObject() {
    performOnMainThread([&] {
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
    });
}

NSRect NSWindowObject::frameRectForContentRect(NSRect content, NSUInteger styleMask) {
    if ((styleMask & NSWindowStyleMaskTitled) != 0)
        content.size.height += kTitleBarEstimate;
    return content;
}

NSWindowObject* NSWindowObject::windowWithNumber(NSInteger number) {
    return onMainThread([&]() -> NSWindowObject* {
        for (NSWindowObject* window : windowList()) {
            if (window->m_number == number)
                return window;
        }
        return nullptr;
    });
}

NSWindowObject* NSWindowObject::windowOfWidget(const QWidget* widget) {
    const auto* window =
        dynamic_cast<const WindowWidget*>(widget != nullptr ? widget->window() : nullptr);
    return window != nullptr ? window->owner : nullptr;
}

std::vector<NSWindowObject*> NSWindowObject::allWindows() {
    return onMainThread([] { return windowList(); });
}

bool NSWindowObject::initWithContentRect(NSRect content, NSUInteger styleMask) {
    return onMainThread([&] {
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
    });
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

NSRect NSWindowObject::cocoaFromQt(int x, int y, int width, int height) const {
    return cocoaScreenRect(QRect(x, y, width, height));
}

// The frame adds a title bar of the estimated height to the client area: window managers frame
// windows in their own ways (and only once shown), so positions stay consistent by not asking.
int NSWindowObject::titleBarHeight() const {
    return (m_styleMask & NSWindowStyleMaskTitled) ? kTitleBarEstimate : 0;
}

NSRect NSWindowObject::frame() const {
    return onMainThread([&] {
        const WindowWidget* widget = m_native->widget.data();
        if (widget == nullptr)
            return NSRect{};
        QRect frame = widget->geometry();
        frame.setTop(frame.top() - titleBarHeight());
        return cocoaScreenRect(frame);
    });
}

void NSWindowObject::setFrame(NSRect frame, bool /*display*/) {
    performOnMainThread([&] {
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
    });
}

NSRect NSWindowObject::contentRect() const {
    return onMainThread([&] {
        const WindowWidget* widget = m_native->widget.data();
        if (widget == nullptr)
            return NSRect{};
        const QRect client = widget->geometry();
        const int menu = widget->menuBarHeight();
        return cocoaFromQt(client.x(), client.y() + menu, client.width(),
                           std::max(0, client.height() - menu));
    });
}

void NSWindowObject::center() {
    performOnMainThread([&] {
        const NSRect current = frame();
        const NSRect screen = cocoaScreenRect(screenGeometry(true));
        NSRect centred = current;
        centred.origin.x = screen.origin.x + (screen.size.width - current.size.width) / 2;
        centred.origin.y = screen.origin.y + (screen.size.height - current.size.height) / 2;
        setFrame(centred, true);
    });
}

void NSWindowObject::setTitle(const std::u16string& title) {
    performOnMainThread([&] {
        if (QWidget* widget = m_native->widget.data())
            widget->setWindowTitle(QString::fromStdU16String(title));
    });
}

std::u16string NSWindowObject::title() const {
    return onMainThread([&] {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr ? widget->windowTitle().toStdU16String() : std::u16string();
    });
}

void NSWindowObject::orderFront() {
    show(false);
}

// Shows the window; without `activate`, Qt is asked not to activate it (key status is the
// application's business).
void NSWindowObject::show(bool activate) {
    performOnMainThread([&] {
        QWidget* widget = m_native->widget.data();
        if (widget == nullptr || m_closed)
            return;
        widget->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
        if (!activate && !isKeyWindow())
            m_waitsForUser = true;
        widget->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            widget->raise(); // the offscreen platform has no stacking order to change
    });
}

void NSWindowObject::orderOut() {
    performOnMainThread([&] {
        NSApplicationObject* app = NSApplicationObject::shared();
        if (QWidget* widget = m_native->widget.data()) {
            // Qt may activate another window at once; the application decides which is key.
            const NSApplicationObject::QtActivationIgnored ignored(*app);
            widget->hide();
        }
        app->windowGone(this);
        app->reassertKeyWindow();
    });
}

void NSWindowObject::makeKeyAndOrderFront() {
    performOnMainThread([&] {
        show(true);
        makeKeyWindow();
    });
}

void NSWindowObject::makeKeyWindow() {
    performOnMainThread([&] {
        QWidget* widget = m_native->widget.data();
        if (widget == nullptr || m_closed || !widget->isVisible())
            return;
        m_waitsForUser = false;
        NSApplicationObject::shared()->setKeyWindow(this);
        widget->activateWindow();
    });
}

bool NSWindowObject::isKeyWindow() const {
    return onMainThread([&] {
        const NSApplicationObject* app = NSApplicationObject::existing();
        return app != nullptr && app->keyWindow() == this;
    });
}

bool NSWindowObject::isVisible() const {
    return onMainThread([&] {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr && widget->isVisible();
    });
}

void NSWindowObject::miniaturize() {
    performOnMainThread([&] {
        if (QWidget* widget = m_native->widget.data())
            widget->setWindowState(widget->windowState() | Qt::WindowMinimized);
    });
}

void NSWindowObject::deminiaturize() {
    performOnMainThread([&] {
        if (QWidget* widget = m_native->widget.data())
            widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    });
}

bool NSWindowObject::isMiniaturized() const {
    return onMainThread([&] {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr && widget->isMinimized();
    });
}

void NSWindowObject::zoom() {
    performOnMainThread([&] {
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
    });
}

bool NSWindowObject::isZoomed() const {
    return onMainThread([&] {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr && widget->isMaximized();
    });
}

void NSWindowObject::performClose() {
    performOnMainThread([&] {
        if (m_closed)
            return;
        const SEL shouldClose = objc::registerSelector("windowShouldClose:");
        if (objc::findMethod(m_delegate, shouldClose) != nullptr &&
            objc::send<BOOL>(m_delegate, shouldClose, static_cast<id>(this)) == NO)
            return;
        close();
    });
}

void NSWindowObject::close() {
    performOnMainThread([&] {
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
    });
}

NSViewObject* NSWindowObject::firstResponder() const {
    return onMainThread([&]() -> NSViewObject* {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr ? viewOfWidget(widget->focusWidget()) : nullptr;
    });
}

bool NSWindowObject::makeFirstResponder(NSViewObject* view) {
    return onMainThread([&] {
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
    });
}

void NSWindowObject::setContentView(NSViewObject* view) {
    performOnMainThread([&] {
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
    });
}

void NSWindowObject::setMenu(NSMenuObject* menu) {
    performOnMainThread([&] {
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
    });
}

void NSWindowObject::addChildWindow(NSWindowObject* child) {
    performOnMainThread([&] {
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
    });
}

void NSWindowObject::removeChildWindow(NSWindowObject* child) {
    performOnMainThread([&] {
        if (child == nullptr || child->m_parent != this)
            return;
        child->m_parent = nullptr;
        std::erase(m_children, child);
        if (QWidget* other = child->widget(); other != nullptr && other->windowHandle() != nullptr)
            other->windowHandle()->setTransientParent(nullptr);
    });
}

void NSWindowObject::setLevel(NSInteger level) {
    performOnMainThread([&] {
        m_level = level;
        const bool wasKey = isKeyWindow();
        applyWindowFlags();
        if (wasKey)
            makeKeyWindow();
    });
}

void NSWindowObject::setAlphaValue(double alpha) {
    performOnMainThread([&] {
        if (QWidget* widget = m_native->widget.data())
            widget->setWindowOpacity(std::clamp(alpha, 0.0, 1.0));
    });
}

double NSWindowObject::alphaValue() const {
    return onMainThread([&] {
        const QWidget* widget = m_native->widget.data();
        return widget != nullptr ? widget->windowOpacity() : 1.0;
    });
}

void NSWindowObject::setStandardButtonHidden(NSWindowButton button, bool hidden) {
    performOnMainThread([&] {
        if (button == NSWindowZoomButton)
            m_zoomHidden = hidden;
        else if (button == NSWindowMiniaturizeButton)
            m_miniaturizeHidden = hidden;
        applyWindowFlags();
    });
}

bool NSWindowObject::isStandardButtonHidden(NSWindowButton button) const {
    return button == NSWindowZoomButton          ? m_zoomHidden
           : button == NSWindowMiniaturizeButton ? m_miniaturizeHidden
                                                 : false;
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

NSPoint NSWindowObject::convertBaseToScreen(NSPoint point) const {
    const NSRect content = contentRect();
    return NSPoint{content.origin.x + point.x, content.origin.y + point.y};
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

NSRect mainScreenFrame() {
    return onMainThread([] { return cocoaScreenRect(screenGeometry(false)); });
}

NSRect mainScreenVisibleFrame() {
    return onMainThread([] { return cocoaScreenRect(screenGeometry(true)); });
}

} // namespace sondrel::appkit
