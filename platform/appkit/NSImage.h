#pragma once

// NSImage: a picture (a QImage, which any thread may use) with a size in points that may
// differ from its pixel size: an 800 x 500 pixel picture set to 400 x 250 points draws at
// 400 x 250. A bitmap added with addRepresentation: becomes the picture, shown as its pixels
// are at the time of drawing.

#include <memory>

#include <QImage>

#include "platform/appkit/NSBitmapImageRep.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Object.h"

namespace sondrel::appkit {

class NSImageObject : public objc::Object {
public:
    using Object::Object;

    const QImage& image() const { return m_bitmap ? m_bitmap->image() : m_image; }
    // Takes the picture and makes its pixel size the size in points.
    void setImage(QImage image);
    // Shows the bitmap's pixels from now on (retained; the size in points stays).
    void addRepresentation(NSBitmapImageRepObject* bitmap);
    bool isDataRetained() const { return m_dataRetained; }
    void setDataRetained(bool retained) { m_dataRetained = retained; }
    objc::CGSize size() const { return m_size; }
    void setSize(objc::CGSize size) { m_size = size; }
    // The picture scaled to its size in points (the picture itself when they agree).
    QImage imageAtSize() const;

private:
    struct Release {
        void operator()(NSBitmapImageRepObject* bitmap) const;
    };

    QImage m_image;
    objc::CGSize m_size;
    std::unique_ptr<NSBitmapImageRepObject, Release> m_bitmap;
    bool m_dataRetained = false;
};

// A new NSImage holding `image` (one reference, owned by the caller).
objc::id newNativeImage(QImage image);

} // namespace sondrel::appkit
