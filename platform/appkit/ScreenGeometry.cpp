#include "platform/appkit/ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSWindow.h"

namespace sondrel::appkit {

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

NSRect mainScreenFrame() {
    return onMainThread([] { return cocoaScreenRect(screenGeometry(false)); });
}

NSRect mainScreenVisibleFrame() {
    return onMainThread([] { return cocoaScreenRect(screenGeometry(true)); });
}

} // namespace sondrel::appkit
