#include "platform/appkit/NSColor.h"

#include <algorithm>

#include <QGuiApplication>
#include <QPixmap>
#include <QThread>

#include "platform/appkit/NSImage.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {

using objc::Class;
using objc::id;
using objc::SEL;

NSColorObject::~NSColorObject() {
    objc::release(m_patternImage);
}

void NSColorObject::setPatternImage(id image) {
    objc::retain(image);
    objc::release(std::exchange(m_patternImage, image));
}

QBrush NSColorObject::brush() const {
    if (auto* image = objc::liveCast<NSImageObject>(m_patternImage)) {
        // A pixmap from the start: widgets paint a textured background from the brush's pixmap,
        // and a brush made from an image would make one at the first paint and keep both.
        // Pixmaps exist only on the GUI thread of a GUI application.
        const QCoreApplication* application = QCoreApplication::instance();
        if (qobject_cast<const QGuiApplication*>(application) != nullptr &&
            QThread::currentThread() == application->thread())
            return QBrush(QPixmap::fromImage(image->imageAtSize()));
        return QBrush(image->imageAtSize());
    }
    return QBrush(m_color);
}

QColor colorOf(const void* color) {
    auto* native = objc::liveCast<NSColorObject>(color);
    return native != nullptr ? native->color() : QColor();
}

namespace {

// Components outside 0 to 1 are clamped, as device colours are.
id makeColor(Class cls, double red, double green, double blue, double alpha) {
    auto* color = static_cast<NSColorObject*>(objc::createInstance(cls));
    if (color == nullptr) {
        return nullptr;
    }
    color->setColor(QColor::fromRgbF(static_cast<float>(std::clamp(red, 0.0, 1.0)),
                                     static_cast<float>(std::clamp(green, 0.0, 1.0)),
                                     static_cast<float>(std::clamp(blue, 0.0, 1.0)),
                                     static_cast<float>(std::clamp(alpha, 0.0, 1.0))));
    return objc::autorelease(color);
}

id colorWithRGBA(Class self, SEL, double red, double green, double blue, double alpha) {
    return makeColor(self, red, green, blue, alpha);
}

id colorWithWhite(Class self, SEL, double white, double alpha) {
    return makeColor(self, white, white, white, alpha);
}

// A pattern colour; nil when the argument is not an image.
id colorWithPatternImage(Class self, SEL, id image) {
    if (objc::liveCast<NSImageObject>(image) == nullptr) {
        return nullptr;
    }
    auto* color = static_cast<NSColorObject*>(objc::createInstance(self));
    if (color == nullptr) {
        return nullptr;
    }
    color->setColor(Qt::black);
    color->setPatternImage(image);
    return objc::autorelease(color);
}

id blackColor(Class self, SEL) {
    return makeColor(self, 0, 0, 0, 1);
}

id whiteColor(Class self, SEL) {
    return makeColor(self, 1, 1, 1, 1);
}

id clearColor(Class self, SEL) {
    return makeColor(self, 0, 0, 0, 0);
}

double redComponent(NSColorObject* self, SEL) {
    return self->color().redF();
}

double greenComponent(NSColorObject* self, SEL) {
    return self->color().greenF();
}

double blueComponent(NSColorObject* self, SEL) {
    return self->color().blueF();
}

double alphaComponent(NSColorObject* self, SEL) {
    return self->color().alphaF();
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSColor", "NSObject", objc::factoryFor<NSColorObject>())
        .classMethod("colorWithDeviceRed:green:blue:alpha:", &colorWithRGBA)
        .classMethod("colorWithCalibratedRed:green:blue:alpha:", &colorWithRGBA)
        .classMethod("colorWithSRGBRed:green:blue:alpha:", &colorWithRGBA)
        .classMethod("colorWithDeviceWhite:alpha:", &colorWithWhite)
        .classMethod("colorWithCalibratedWhite:alpha:", &colorWithWhite)
        .classMethod("colorWithPatternImage:", &colorWithPatternImage)
        .classMethod("blackColor", &blackColor)
        .classMethod("whiteColor", &whiteColor)
        .classMethod("clearColor", &clearColor)
        .instanceMethod("redComponent", &redComponent)
        .instanceMethod("greenComponent", &greenComponent)
        .instanceMethod("blueComponent", &blueComponent)
        .instanceMethod("alphaComponent", &alphaComponent)
        .instanceMethod<&NSColorObject::patternImage>("patternImage")};

} // namespace
} // namespace sondrel::appkit
