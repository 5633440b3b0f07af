#include "platform/appkit/NSBitmapImageRep.h"

#include <string>

#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::appkit {

using objc::BOOL;
using objc::id;
using objc::NSInteger;
using objc::NSUInteger;
using objc::SEL;

bool NSBitmapImageRepObject::allocate(int width, int height, int samplesPerPixel, bool hasAlpha,
                                      NSUInteger bitmapFormat) {
    const bool premultiplied = (bitmapFormat & kBitmapFormatAlphaNonpremultiplied) == 0;
    QImage::Format format = QImage::Format_Invalid;
    if (samplesPerPixel == 4 && hasAlpha) {
        format = premultiplied ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888;
    } else if (samplesPerPixel == 3 && !hasAlpha) {
        format = QImage::Format_RGB888;
    }
    // Other format bits (alpha first, floating point, big- or little-endian words) are not
    // offered.
    if (format == QImage::Format_Invalid ||
        (bitmapFormat & ~kBitmapFormatAlphaNonpremultiplied) != 0 || width <= 0 || height <= 0) {
        return false;
    }
    m_image = QImage(width, height, format); // null when the memory cannot be had
    m_bitmapFormat = bitmapFormat;
    if (m_image.isNull()) {
        return false;
    }
    m_image.fill(0); // new bitmap memory is zeroed, never what the allocation held before
    return true;
}

namespace {

bool isRgbColorSpace(id name) {
    const std::u16string text = objc::nativeStringText(name);
    return text == u"NSDeviceRGBColorSpace" || text == u"NSCalibratedRGBColorSpace";
}

// The designated initialiser; nil (and the receiver released) for a layout not offered.
id initWithBitmapDataPlanes(NSBitmapImageRepObject* self, SEL, unsigned char** planes,
                            NSInteger width, NSInteger height, NSInteger bitsPerSample,
                            NSInteger samplesPerPixel, BOOL hasAlpha, BOOL isPlanar,
                            id colorSpaceName, NSUInteger bitmapFormat, NSInteger bytesPerRow,
                            NSInteger bitsPerPixel) {
    const bool offered = planes == nullptr && bitsPerSample == 8 && !isPlanar &&
                         isRgbColorSpace(colorSpaceName) && width > 0 && width <= INT32_MAX &&
                         height > 0 && height <= INT32_MAX &&
                         (bitsPerPixel == 0 || bitsPerPixel == 8 * samplesPerPixel);
    if (!offered ||
        !self->allocate(static_cast<int>(width), static_cast<int>(height),
                        static_cast<int>(samplesPerPixel), hasAlpha != 0, bitmapFormat) ||
        (bytesPerRow != 0 && bytesPerRow != self->bytesPerRow())) {
        objc::release(self);
        return nullptr;
    }
    return self;
}

NSInteger pixelsWide(NSBitmapImageRepObject* self, SEL) {
    return self->image().width();
}
NSInteger pixelsHigh(NSBitmapImageRepObject* self, SEL) {
    return self->image().height();
}
NSInteger bitsPerPixel(NSBitmapImageRepObject* self, SEL) {
    return self->image().depth();
}
NSInteger samplesPerPixel(NSBitmapImageRepObject* self, SEL) {
    return self->image().hasAlphaChannel() ? 4 : 3;
}
BOOL hasAlpha(NSBitmapImageRepObject* self, SEL) {
    return self->image().hasAlphaChannel() ? objc::YES : objc::NO;
}

const objc::ClassRegistration imageRep{objc::ClassDefinition("NSImageRep", "NSObject")};

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSBitmapImageRep", "NSImageRep",
                          objc::factoryFor<NSBitmapImageRepObject>())
        .instanceMethod("initWithBitmapDataPlanes:pixelsWide:pixelsHigh:bitsPerSample:"
                        "samplesPerPixel:hasAlpha:isPlanar:colorSpaceName:bitmapFormat:"
                        "bytesPerRow:bitsPerPixel:",
                        &initWithBitmapDataPlanes)
        .instanceMethod<&NSBitmapImageRepObject::bitmapData>("bitmapData")
        .instanceMethod<&NSBitmapImageRepObject::bytesPerRow>("bytesPerRow")
        .instanceMethod("pixelsWide", &pixelsWide)
        .instanceMethod("pixelsHigh", &pixelsHigh)
        .instanceMethod("bitsPerPixel", &bitsPerPixel)
        .instanceMethod("samplesPerPixel", &samplesPerPixel)
        .instanceMethod("hasAlpha", &hasAlpha)
        .instanceMethod<&NSBitmapImageRepObject::bitmapFormat>("bitmapFormat")};

} // namespace
} // namespace sondrel::appkit
