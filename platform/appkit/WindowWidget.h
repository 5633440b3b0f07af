#pragma once

// The top-level widget of an NSWindow: the window's own menu bar (if any) above its content
// view, and the Qt events the window answers (the close button, moves, resizes, state and
// activation changes) passed to the window. Main thread only, as every widget.

#include <QPointer>
#include <QRect>
#include <QWidget>

class QMenuBar;

namespace sondrel::appkit {

class NSWindowObject;

class WindowWidget final : public QWidget {
public:
    explicit WindowWidget(NSWindowObject* owner) : owner(owner) {}

    // Places the menu bar at the top and the content below it.
    void layoutChildren();
    int menuBarHeight() const { return menuBarSpace; }
    // Gives the menu bar the room it needs now (it has none while it has no items), growing or
    // shrinking the window so that the content keeps its size.
    void fitMenuBar();

    bool eventFilter(QObject* watched, QEvent* event) override;

    NSWindowObject* owner; // cleared when the window goes
    QPointer<QMenuBar> menuBar;
    QPointer<QWidget> content;
    int menuBarSpace = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// What an NSWindow keeps of Qt.
struct WindowNative {
    QPointer<WindowWidget> widget;
    QRect normalGeometry; // before zooming
};

} // namespace sondrel::appkit
