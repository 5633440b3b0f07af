#include "runtime/controls/Image.h"

#include <memory>
#include <mutex>

#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/DecoderSelection.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::NSInteger;
using objc::send;

constexpr int kMaxSide = 65535;      // sides are kept in 16 bits
constexpr int kBitmapDepth = 32;     // R, G, B, A bytes
constexpr int kSourceDepthMode = -2; // ImageBitDepth mode asking for the source's depth
constexpr objc::NSUInteger kAlphaNonpremultiplied = 2;

struct ReleaseNative {
    void operator()(objc::Object* object) const { objc::release(object); }
};
using NativeReference = std::unique_ptr<objc::Object, ReleaseNative>;

struct ImageRecord {
    id nativeImage = nullptr; // the NSImage, one reference owned
    id bitmap = nullptr;      // the NSBitmapImageRep holding the pixels, one reference owned
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t depth = 0;
    std::uint16_t sourceDepth = 0;
    std::uint32_t decoderId = 0;

    bool exists() const noexcept { return nativeImage != nullptr; }
};
using ImageRegistry = core::ObjectRegistry<ImageRecord>;

// Held by every operation before the registry's own lock (a free procedure run by the registry
// takes it again), so that an image is never released twice by two threads.
std::recursive_mutex g_lock;
std::unique_ptr<ImageRegistry> g_images;

// A bitmap and the native image showing it, before they belong to an image object.
struct NativePicture {
    NativeReference image;
    NativeReference bitmap;
    std::uint8_t* pixels = nullptr;
    std::size_t bytesPerRow = 0;
};

NativeReference makeBitmap(int width, int height) {
    const NativeReference colorSpace(objc::newNativeString(u"NSDeviceRGBColorSpace"));
    const id allocated = send<id>("NSBitmapImageRep"_class, "alloc"_sel);
    return NativeReference(send<id>(
        allocated,
        "initWithBitmapDataPlanes:pixelsWide:pixelsHigh:bitsPerSample:samplesPerPixel:hasAlpha:"
        "isPlanar:colorSpaceName:bitmapFormat:bytesPerRow:bitsPerPixel:"_sel,
        static_cast<unsigned char**>(nullptr), NSInteger{width}, NSInteger{height}, NSInteger{8},
        NSInteger{4}, objc::BOOL{objc::YES}, objc::BOOL{objc::NO}, colorSpace.get(),
        kAlphaNonpremultiplied, NSInteger{width} * 4, NSInteger{kBitmapDepth}));
}

// The bitmap and its native image, sized in points as in pixels; nothing when either cannot be
// made.
std::unique_ptr<NativePicture> makePicture(int width, int height) {
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) {
        return nullptr;
    }
    const objc::AutoreleasePool pool;
    auto picture = std::make_unique<NativePicture>();
    picture->bitmap = makeBitmap(width, height);
    if (!picture->bitmap) {
        return nullptr;
    }
    picture->pixels = send<unsigned char*>(picture->bitmap.get(), "bitmapData"_sel);
    picture->bytesPerRow =
        static_cast<std::size_t>(send<NSInteger>(picture->bitmap.get(), "bytesPerRow"_sel));
    if (!picture->pixels || picture->bytesPerRow < static_cast<std::size_t>(width) * 4) {
        return nullptr;
    }
    picture->image.reset(send<id>(send<id>("NSImage"_class, "alloc"_sel), "init"_sel));
    if (!picture->image) {
        return nullptr;
    }
    send(picture->image.get(), "setDataRetained:"_sel, objc::BOOL{objc::YES});
    send(picture->image.get(), "addRepresentation:"_sel, picture->bitmap.get());
    send(picture->image.get(), "setSize:"_sel,
         objc::CGSize{static_cast<double>(width), static_cast<double>(height)});
    return picture;
}

void fill(NativePicture& picture, int width, int height, int fillMode, int color) {
    if (fillMode == 0) {
        return; // as the bitmap was made
    }
    const std::uint8_t red = fillMode == 1 ? color & 0xff : 0;
    const std::uint8_t green = fillMode == 1 ? (color >> 8) & 0xff : 0;
    const std::uint8_t blue = fillMode == 1 ? (color >> 16) & 0xff : 0;
    const std::uint8_t alpha = fillMode == 1 ? 255 : 0;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = picture.pixels + y * picture.bytesPerRow;
        for (int x = 0; x < width; ++x, pixel += 4) {
            pixel[0] = red;
            pixel[1] = green;
            pixel[2] = blue;
            pixel[3] = alpha;
        }
    }
}

// Gives the picture to image object `number`; null when the number cannot be taken.
ImageRecord* adopt(ObjectNumber number, NativePicture& picture, int width, int height,
                   int sourceDepth, std::uint32_t decoderId) {
    const std::lock_guard guard(g_lock);
    ImageRecord* record = g_images ? core::ObtainObject(*g_images, number) : nullptr;
    if (!record) {
        return nullptr;
    }
    record->nativeImage = picture.image.release();
    record->bitmap = picture.bitmap.release();
    record->width = static_cast<std::uint16_t>(width);
    record->height = static_cast<std::uint16_t>(height);
    record->depth = kBitmapDepth;
    record->sourceDepth = static_cast<std::uint16_t>(sourceDepth);
    record->decoderId = decoderId;
    return record;
}

// Reads one field of an existing image under the lock; `fallback` for an unknown number.
template <class Field, class Read> Field readImage(ObjectNumber number, Field fallback, Read read) {
    const std::lock_guard guard(g_lock);
    const ImageRecord* record = g_images ? core::FindObject(*g_images, number) : nullptr;
    return record ? read(*record) : fallback;
}

} // namespace

void InitImages() {
    const std::lock_guard guard(g_lock);
    if (!g_images) {
        g_images = core::CreateObjectRegistry<ImageRecord>(
            16, [](ObjectNumber number) { ReleaseImage(number); });
    }
}

std::intptr_t ImageFromMemory(ObjectNumber image, const void* data, std::uint32_t size,
                              int /*flags*/) {
    if (size >= kUnknownImageSize) {
        return 0;
    }
    DecoderSelection selection(static_cast<const std::uint8_t*>(data), size);
    const int width = selection.width();
    const int height = selection.height();
    if (selection.decoderId() == 0) {
        return 0;
    }
    // Decoded before the number is taken, so that images decode on several threads at once
    // and a failure leaves any image under the number in place.
    const std::unique_ptr<NativePicture> picture = makePicture(width, height);
    if (!picture) {
        return 0;
    }
    selection.decodeRgba(picture->pixels, picture->bytesPerRow); // rows read so far stay
    ImageRecord* record =
        adopt(image, *picture, width, height, selection.sourceDepth(), selection.decoderId());
    if (!record) {
        return 0;
    }
    return image == AnyObjectNumber ? core::ObjectHandle(record)
                                    : reinterpret_cast<std::intptr_t>(record->nativeImage);
}

std::intptr_t ImageFromMemory(ObjectNumber image, std::span<const std::byte> data, int flags) {
    if (data.size() >= kUnknownImageSize) {
        return 0;
    }
    return ImageFromMemory(image, data.data(), static_cast<std::uint32_t>(data.size()), flags);
}

std::intptr_t NewImage(ObjectNumber image, int width, int height, int fillMode, int color) {
    const std::unique_ptr<NativePicture> picture = makePicture(width, height);
    if (!picture) {
        return 0;
    }
    fill(*picture, width, height, fillMode, color);
    ImageRecord* record = adopt(image, *picture, width, height, kBitmapDepth, 0);
    if (!record) {
        return 0;
    }
    return image == AnyObjectNumber ? core::ObjectHandle(record)
                                    : reinterpret_cast<std::intptr_t>(record);
}

id ImageHandle(ObjectNumber image) {
    return readImage<id>(image, nullptr, [](const ImageRecord& r) { return r.nativeImage; });
}

int ImagePixelWidth(ObjectNumber image) {
    return readImage(image, 0, [](const ImageRecord& r) { return int{r.width}; });
}

int ImagePixelHeight(ObjectNumber image) {
    return readImage(image, 0, [](const ImageRecord& r) { return int{r.height}; });
}

int ImageBitDepth(ObjectNumber image, int mode) {
    return readImage(image, 0, [mode](const ImageRecord& r) {
        return int{mode == kSourceDepthMode ? r.sourceDepth : r.depth};
    });
}

std::uint32_t ImageDecoderId(ObjectNumber image) {
    return readImage(image, std::uint32_t{0}, [](const ImageRecord& r) { return r.decoderId; });
}

void ReleaseImage(ObjectNumber image) {
    if (image == AnyObjectNumber) {
        ReleaseAllImages();
        return;
    }
    const std::lock_guard guard(g_lock);
    ImageRecord* record = g_images ? core::FindObject(*g_images, image) : nullptr;
    if (!record) {
        return;
    }
    const NativeReference nativeImage(record->nativeImage);
    const NativeReference bitmap(record->bitmap);
    core::ReleaseObject(*g_images, image);
}

void ReleaseAllImages() {
    const std::lock_guard guard(g_lock);
    if (g_images) {
        core::ReleaseAllObjects(*g_images);
    }
}

} // namespace sondrel::controls
