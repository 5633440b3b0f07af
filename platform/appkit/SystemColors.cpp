#include "platform/appkit/SystemColors.h"

#include <QApplication>
#include <QPalette>

#include "platform/objc/ClassName.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

objc::id nativeColor(QPalette::ColorGroup group, QPalette::ColorRole role) {
    const QColor color = QApplication::palette().color(group, role);
    return objc::send<objc::id>("NSColor"_class, "colorWithDeviceRed:green:blue:alpha:"_sel,
                                double(color.redF()), double(color.greenF()), double(color.blueF()),
                                double(color.alphaF()));
}

} // namespace

objc::id controlColor() {
    return nativeColor(QPalette::Active, QPalette::Window);
}

objc::id controlTextColor() {
    return nativeColor(QPalette::Active, QPalette::WindowText);
}

objc::id secondarySelectedControlColor() {
    return nativeColor(QPalette::Disabled, QPalette::WindowText);
}

} // namespace sondrel::appkit
