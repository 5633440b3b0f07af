#pragma once

// Test support: real Qt input for the Cocoa-shaped classes, so tests drive windows the way a
// user does (key presses through Qt's window system path, clicks, the close button, drops with
// MIME data) without naming Qt types themselves. Header-only; users link Qt6::Test.

#include <string>
#include <vector>

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "platform/appkit/NSPasteboard.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"

namespace sondrel::appkit::testing {

// Presses and releases a key combination given in Qt's portable form ("Ctrl+Q", "F1",
// "Shift+3") in the window, through Qt's window-system input path.
inline void pressKeys(NSWindowObject* window, const char* keys) {
    const QKeyCombination combination = QKeySequence::fromString(QString::fromLatin1(keys))[0];
    QWidget* widget = window->widget();
    widget->winId();
    QTest::keyClick(widget->windowHandle(), combination.key(), combination.keyboardModifiers());
}

// Clicks the content view at (x, y) from its top left; `count` 2 double-clicks.
inline void clickContent(NSWindowObject* window, int x, int y, bool right = false, int count = 1) {
    QWidget* content = window->contentView()->widget();
    const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
    QTest::mouseClick(content, button, Qt::NoModifier, QPoint(x, y));
    if (count == 2) { // Qt's sequence for the second click: double-click, then release
        const QPointF global = content->mapToGlobal(QPointF(x, y));
        QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(x, y), global, button, button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(content, &twice);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, y), global, button, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(content, &release);
    }
}

// What the window manager does when the user presses the close button.
inline void pressCloseButton(NSWindowObject* window) {
    QCloseEvent event;
    QCoreApplication::sendEvent(window->widget(), &event);
}

// Drags the pasteboard's data over the view and drops it at (x, y) from the view's top left,
// as another program offering `actions` would. True when the view accepted the drop.
inline bool dropOnView(NSViewObject* view, NSPasteboardObject* pasteboard, int x, int y,
                       Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
    QWidget* widget = view->widget();
    const QMimeData* data = pasteboard->mimeData();
    const QPoint point(x, y);
    QDragEnterEvent enter(point, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(point, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
    QDropEvent drop(QPointF(point), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

// A view holding a one-line text field with `text`, focused when its window is shown.
inline NSViewObject* newTextFieldView(const std::u16string& text) {
    NSViewObject* view = newView(NSRect{{10, 10}, {200, 24}});
    auto* field = new QLineEdit(QString::fromStdU16String(text)); // owned by the view
    view->adoptWidget(field);
    return view;
}

inline std::u16string textFieldText(NSViewObject* view) {
    const auto* field = qobject_cast<const QLineEdit*>(view->widget());
    return field != nullptr ? field->text().toStdU16String() : std::u16string();
}

inline void focusView(NSViewObject* view) {
    view->widget()->setFocus(Qt::OtherFocusReason);
}

inline std::u16string clipboardText() {
    return QGuiApplication::clipboard()->text().toStdU16String();
}

// A picture of the whole primary screen (what the X server shows).
inline QImage grabScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->grabWindow(0).toImage() : QImage();
}

} // namespace sondrel::appkit::testing
