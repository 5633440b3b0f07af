#include "platform/appkit/WindowWidget.h"

#include <algorithm>

#include <QCloseEvent>
#include <QMenuBar>
#include <QMetaObject>
#include <QWindowStateChangeEvent>

#include "platform/appkit/NSWindow.h"

namespace sondrel::appkit {

void WindowWidget::layoutChildren() {
    const int top = menuBarSpace;
    if (menuBar != nullptr)
        menuBar->setGeometry(0, 0, width(), top);
    if (content != nullptr)
        content->setGeometry(0, top, width(), std::max(0, height() - top));
}

void WindowWidget::fitMenuBar() {
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

bool WindowWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menuBar &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved ||
         event->type() == QEvent::ActionChanged))
        QMetaObject::invokeMethod(
            this, [this] { fitMenuBar(); }, Qt::QueuedConnection);
    return false;
}

void WindowWidget::closeEvent(QCloseEvent* event) {
    event->ignore(); // the close button only asks; the window decides
    if (owner != nullptr)
        owner->qtCloseRequested();
}

void WindowWidget::moveEvent(QMoveEvent*) {
    if (owner != nullptr && isVisible())
        owner->qtMoved();
}

void WindowWidget::resizeEvent(QResizeEvent*) {
    layoutChildren();
    if (owner != nullptr)
        owner->qtResized();
}

void WindowWidget::changeEvent(QEvent* event) {
    if (owner != nullptr && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        owner->qtStateChanged((change->oldState() & Qt::WindowMinimized) != 0);
    } else if (owner != nullptr && event->type() == QEvent::ActivationChange) {
        owner->qtActivated();
    }
    QWidget::changeEvent(event);
}

} // namespace sondrel::appkit
