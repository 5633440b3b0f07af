#include "platform/appkit/NSImage.h"

#include <cmath>

#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSData.h"

namespace sondrel::appkit {

using objc::CGSize;
using objc::id;
using objc::SEL;

void NSImageObject::setImage(QImage image) {
    m_image = std::move(image);
    m_size = CGSize{static_cast<double>(m_image.width()), static_cast<double>(m_image.height())};
}

QImage NSImageObject::imageAtSize() const {
    const int width = static_cast<int>(std::lround(m_size.width));
    const int height = static_cast<int>(std::lround(m_size.height));
    if (m_image.isNull() || width <= 0 || height <= 0 || m_image.size() == QSize(width, height)) {
        return m_image;
    }
    return m_image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

id newNativeImage(QImage image) {
    auto* native = static_cast<NSImageObject*>(objc::createInstance(objc::lookUpClass("NSImage")));
    if (native != nullptr) {
        native->setImage(std::move(image));
    }
    return native;
}

namespace {

// An empty picture of the size, transparent, one pixel per point (at least one pixel).
id initWithSize(NSImageObject* self, SEL, CGSize size) {
    const int width =
        std::max(1, static_cast<int>(std::lround(std::clamp(size.width, 0.0, 16384.0))));
    const int height =
        std::max(1, static_cast<int>(std::lround(std::clamp(size.height, 0.0, 16384.0))));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    self->setImage(std::move(image));
    self->setSize(size);
    return self;
}

// Decodes PNG, BMP, JPEG... data as Qt's image readers do; nil when it is no picture.
id initWithData(NSImageObject* self, SEL, id data) {
    auto* bytes = objc::liveCast<objc::NSDataObject>(data);
    QImage image;
    if (bytes == nullptr || bytes->length() > INT32_MAX ||
        !image.loadFromData(static_cast<const uchar*>(bytes->bytes()),
                            static_cast<int>(bytes->length()))) {
        objc::release(self);
        return nullptr;
    }
    self->setImage(std::move(image));
    return self;
}

id initWithContentsOfFile(NSImageObject* self, SEL, id path) {
    QImage image(qStringFromNative(path));
    if (image.isNull()) {
        objc::release(self);
        return nullptr;
    }
    self->setImage(std::move(image));
    return self;
}

CGSize size(NSImageObject* self, SEL) {
    return self->size();
}

void setSize(NSImageObject* self, SEL, CGSize size) {
    self->setSize(size);
}

objc::BOOL isValid(NSImageObject* self, SEL) {
    return self->image().isNull() ? objc::NO : objc::YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSImage", "NSObject", objc::factoryFor<NSImageObject>())
        .instanceMethod("initWithSize:", &initWithSize)
        .instanceMethod("initWithData:", &initWithData)
        .instanceMethod("initWithContentsOfFile:", &initWithContentsOfFile)
        .instanceMethod("size", &size)
        .instanceMethod("setSize:", &setSize)
        .instanceMethod("isValid", &isValid)};

} // namespace
} // namespace sondrel::appkit
