#include "platform/appkit/NSImage.h"

#include <cmath>

#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSData.h"

namespace sondrel::appkit {

using objc::CGSize;
using objc::id;
using objc::SEL;

void NSImageObject::setImage(QImage image) {
    m_bitmap.reset();
    m_image = std::move(image);
    m_size = CGSize{static_cast<double>(m_image.width()), static_cast<double>(m_image.height())};
}

void NSImageObject::addRepresentation(NSBitmapImageRepObject* bitmap) {
    if (bitmap != nullptr && bitmap != m_bitmap.get()) {
        objc::retain(bitmap);
        m_bitmap.reset(bitmap);
        m_image = QImage(); // the bitmap is the picture now
    }
}

void NSImageObject::Release::operator()(NSBitmapImageRepObject* bitmap) const {
    objc::release(bitmap);
}

QImage NSImageObject::imageAtSize() const {
    const QImage& picture = image();
    const int width = static_cast<int>(std::lround(m_size.width));
    const int height = static_cast<int>(std::lround(m_size.height));
    if (picture.isNull() || width <= 0 || height <= 0 || picture.size() == QSize(width, height)) {
        return picture;
    }
    return picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

id newNativeImage(QImage image) {
    auto* native = static_cast<NSImageObject*>(objc::createInstance("NSImage"_class));
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

objc::BOOL isValid(NSImageObject* self, SEL) {
    return self->image().isNull() ? objc::NO : objc::YES;
}

// Only bitmaps are representations here; anything else is ignored.

void setDataRetained(NSImageObject* self, SEL, objc::BOOL retained) {
    self->setDataRetained(retained != objc::NO);
}

objc::BOOL isDataRetained(NSImageObject* self, SEL) {
    return self->isDataRetained() ? objc::YES : objc::NO;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSImage", "NSObject", objc::factoryFor<NSImageObject>())
        .instanceMethod("initWithSize:", &initWithSize)
        .instanceMethod("initWithData:", &initWithData)
        .instanceMethod("initWithContentsOfFile:", &initWithContentsOfFile)
        .instanceMethod<&NSImageObject::size>("size")
        .instanceMethod<&NSImageObject::setSize>("setSize:")
        .instanceMethod("isValid", &isValid)
        .instanceMethod<&NSImageObject::addRepresentation>("addRepresentation:")
        .instanceMethod("setDataRetained:", &setDataRetained)
        .instanceMethod("isDataRetained", &isDataRetained)};

} // namespace
} // namespace sondrel::appkit
