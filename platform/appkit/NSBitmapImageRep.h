#pragma once

// NSBitmapImageRep: pixels in memory, which code fills through bitmapData and an NSImage shows
// once added as its representation. The layouts offered are the ones the runtime uses: 8 bits
// a sample, meshed (not planar) RGB with or without alpha, alpha premultiplied (bitmap format 0)
// or not (format 2, NSBitmapFormatAlphaNonpremultiplied), rows top-down and packed (4 bytes a
// pixel with alpha, 3 without and each row padded to 4 bytes). The memory is the rep's own
// (planes must be nil), zeroed when made (transparent black); any thread may fill it.

#include <QImage>

#include "platform/objc/Object.h"

namespace sondrel::appkit {

// NSBitmapFormat bits.
inline constexpr objc::NSUInteger kBitmapFormatAlphaNonpremultiplied = 2;

class NSBitmapImageRepObject : public objc::Object {
public:
    using Object::Object;

    // Makes the pixel memory; false when the layout is not one of the above, or the memory
    // cannot be had.
    bool allocate(int width, int height, int samplesPerPixel, bool hasAlpha,
                  objc::NSUInteger bitmapFormat);

    // The pixels as a picture. Held by reference, it shows later changes made through
    // bitmapData.
    const QImage& image() const { return m_image; }
    unsigned char* bitmapData() { return m_image.isNull() ? nullptr : m_image.bits(); }
    objc::NSInteger bytesPerRow() const { return m_image.bytesPerLine(); }
    objc::NSUInteger bitmapFormat() const { return m_bitmapFormat; }

private:
    QImage m_image;
    objc::NSUInteger m_bitmapFormat = 0;
};

} // namespace sondrel::appkit
