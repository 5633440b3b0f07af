// NSBitmapImageRep as messages reach it, and NSImage showing a bitmap representation.

#include "platform/appkit/NSBitmapImageRep.h"

#include <gtest/gtest.h>

#include "platform/appkit/NSImage.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

using objc::BOOL;
using objc::id;
using objc::NSInteger;
using objc::NSUInteger;
using objc::send;

constexpr auto kInit = "initWithBitmapDataPlanes:pixelsWide:pixelsHigh:bitsPerSample:"
                       "samplesPerPixel:hasAlpha:isPlanar:colorSpaceName:bitmapFormat:"
                       "bytesPerRow:bitsPerPixel:"_sel;

struct Layout {
    NSInteger width = 3;
    NSInteger height = 2;
    NSInteger bitsPerSample = 8;
    NSInteger samplesPerPixel = 4;
    BOOL hasAlpha = objc::YES;
    BOOL isPlanar = objc::NO;
    const char16_t* colorSpace = u"NSDeviceRGBColorSpace";
    NSUInteger format = kBitmapFormatAlphaNonpremultiplied;
    NSInteger bytesPerRow = 0;
    NSInteger bitsPerPixel = 32;
};

id makeBitmap(const Layout& layout) {
    const id colorSpace = objc::autoreleasedNativeString(layout.colorSpace);
    const id allocated = send<id>(objc::lookUpClass("NSBitmapImageRep"), "alloc"_sel);
    return send<id>(allocated, kInit, static_cast<unsigned char**>(nullptr), layout.width,
                    layout.height, layout.bitsPerSample, layout.samplesPerPixel, layout.hasAlpha,
                    layout.isPlanar, colorSpace, layout.format, layout.bytesPerRow,
                    layout.bitsPerPixel);
}

TEST(NSBitmapImageRepTest, OffersEightBitRgbLayoutsOnly) {
    const objc::AutoreleasePool pool;
    const id rgba = makeBitmap({.bytesPerRow = 12});
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(send<NSInteger>(rgba, "pixelsWide"_sel), 3);
    EXPECT_EQ(send<NSInteger>(rgba, "pixelsHigh"_sel), 2);
    EXPECT_EQ(send<NSInteger>(rgba, "bytesPerRow"_sel), 12);
    EXPECT_EQ(send<NSInteger>(rgba, "bitsPerPixel"_sel), 32);
    EXPECT_EQ(send<BOOL>(rgba, "hasAlpha"_sel), objc::YES);
    EXPECT_EQ(send<NSUInteger>(rgba, "bitmapFormat"_sel), kBitmapFormatAlphaNonpremultiplied);
    const unsigned char* data = send<unsigned char*>(rgba, "bitmapData"_sel);
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(data[i], 0) << "new memory is zeroed";
    }
    objc::release(rgba);

    const id rgb = makeBitmap({.samplesPerPixel = 3, .hasAlpha = objc::NO, .bitsPerPixel = 24});
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(send<NSInteger>(rgb, "bytesPerRow"_sel), 12); // 9 bytes padded to 12
    objc::release(rgb);

    EXPECT_EQ(makeBitmap({.bitsPerSample = 16}), nullptr);
    EXPECT_EQ(makeBitmap({.isPlanar = objc::YES}), nullptr);
    EXPECT_EQ(makeBitmap({.colorSpace = u"NSDeviceCMYKColorSpace"}), nullptr);
    EXPECT_EQ(makeBitmap({.format = 1}), nullptr); // alpha first
    EXPECT_EQ(makeBitmap({.bytesPerRow = 13}), nullptr);
    EXPECT_EQ(makeBitmap({.width = 0}), nullptr);
    EXPECT_EQ(makeBitmap({.samplesPerPixel = 3}), nullptr); // three samples cannot hold alpha
}

TEST(NSBitmapImageRepTest, AnImageShowsItsBitmapAsThePixelsAreNow) {
    const objc::AutoreleasePool pool;
    const id bitmap = makeBitmap({});
    const id image = send<id>(send<id>(objc::lookUpClass("NSImage"), "alloc"_sel), "init"_sel);
    send(image, "setDataRetained:"_sel, objc::BOOL{objc::YES});
    send(image, "addRepresentation:"_sel, bitmap);
    objc::release(bitmap); // the image keeps it
    EXPECT_EQ(send<BOOL>(image, "isDataRetained"_sel), objc::YES);

    unsigned char* data = send<unsigned char*>(bitmap, "bitmapData"_sel);
    data[4] = 9;   // pixel (1, 0): red
    data[7] = 255; // alpha
    const auto* native = objc::liveCast<NSImageObject>(image);
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(native->image().size(), QSize(3, 2));
    EXPECT_EQ(native->image().pixel(1, 0), qRgba(9, 0, 0, 255));
    EXPECT_EQ(send<BOOL>(image, "isValid"_sel), objc::YES);
    objc::release(image);
    EXPECT_FALSE(objc::isLiveObject(bitmap));
}

} // namespace
} // namespace sondrel::appkit
