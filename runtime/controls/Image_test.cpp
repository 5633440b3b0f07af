#include "runtime/controls/Image.h"

#include <thread>

#include <gtest/gtest.h>

#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSImage.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/BmpDecoder.h"
#include "runtime/controls/Color.h"
#include "runtime/controls/PngDecoder.h"
#include "runtime/controls/TestImages.h"

namespace sondrel::controls {
namespace {

using objc::CGSize;
using objc::id;
using test::Bytes;

// The pixel (x, y) of the native image's picture, as "r,g,b,a" bytes in memory order.
std::string nativePixel(id image, int x, int y) {
    const auto* native = objc::liveCast<appkit::NSImageObject>(image);
    if (!native || x >= native->image().width() || y >= native->image().height()) {
        return "none";
    }
    const std::uint8_t* p = native->image().constScanLine(y) + x * 4;
    return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]) + "," +
           std::to_string(p[3]);
}

CGSize sizeOf(id image) {
    return objc::send<CGSize>(image, "size"_sel);
}

Bytes paletteBmp() {
    return test::EncodeBmp({.width = 3,
                            .height = 2,
                            .bitCount = 8,
                            .colorsUsed = 2,
                            .palette = {{200, 100, 50}, {1, 2, 3}},
                            .rows = {{0, 1, 0}, {1, 1, 0}}});
}

Bytes palettePng(bool withTrns) {
    test::PngPicture picture{.width = 4,
                             .height = 3,
                             .colorType = PNG_COLOR_TYPE_PALETTE,
                             .palette = {{10, 20, 30}, {40, 50, 60}}};
    if (withTrns) {
        picture.paletteAlpha = {0};
    }
    picture.rows.assign(3, Bytes{0, 1, 1, 0});
    return test::EncodePng(picture);
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The application's start-up order.
        InitImageDecoders();
        RegisterBmpDecoder();
        InitImages();
        RegisterPngDecoder();
    }
    void TearDown() override { ReleaseAllImages(); }

    objc::AutoreleasePool m_pool;
};

TEST_F(ImageTest, DecodedImagesGetNewNumbersAndNativeImagesOfTheirSize) {
    const Bytes png = palettePng(true);
    const std::intptr_t first = ImageFromMemory(AnyObjectNumber, png.data(), png.size());
    const std::intptr_t second = ImageFromMemory(AnyObjectNumber, png.data(), png.size());
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);

    const id native = ImageHandle(first);
    ASSERT_NE(native, nullptr);
    EXPECT_NE(native, ImageHandle(second));
    EXPECT_EQ(sizeOf(native), (CGSize{4, 3}));
    EXPECT_EQ(ImagePixelWidth(first), 4);
    EXPECT_EQ(ImagePixelHeight(first), 3);
    EXPECT_EQ(ImageBitDepth(first), 32);
    EXPECT_EQ(ImageBitDepth(first, -2), 32); // palette with tRNS
    EXPECT_EQ(ImageDecoderId(first), kPngDecoderId);
    EXPECT_EQ(nativePixel(native, 0, 0), "10,20,30,0");
    EXPECT_EQ(nativePixel(native, 1, 2), "40,50,60,255");

    const Bytes opaque = palettePng(false);
    const std::intptr_t third = ImageFromMemory(AnyObjectNumber, opaque.data(), opaque.size());
    EXPECT_EQ(ImageBitDepth(third, -2), 8);
    EXPECT_EQ(ImageBitDepth(third, 0), 32);
    EXPECT_EQ(nativePixel(ImageHandle(third), 0, 0), "10,20,30,255");
}

TEST_F(ImageTest, AFixedNumberGivesTheNativeImageAndReplacesTheImageBefore) {
    const Bytes bmp = paletteBmp();
    const std::intptr_t result = ImageFromMemory(3, std::as_bytes(std::span(bmp)));
    ASSERT_NE(result, 0);
    const id before = ImageHandle(3);
    EXPECT_EQ(result, reinterpret_cast<std::intptr_t>(before));
    EXPECT_EQ(ImageDecoderId(3), kBmpDecoderId);
    EXPECT_EQ(ImageBitDepth(3, -2), 8);
    EXPECT_EQ(nativePixel(before, 0, 0), "1,2,3,255"); // the top row is stored last
    EXPECT_EQ(nativePixel(before, 0, 1), "200,100,50,255");

    const Bytes png = palettePng(true);
    ASSERT_NE(ImageFromMemory(3, png.data(), png.size()), 0);
    EXPECT_NE(ImageHandle(3), before);
    EXPECT_FALSE(objc::isLiveObject(before)); // the image before was released
    EXPECT_EQ(ImagePixelWidth(3), 4);
}

TEST_F(ImageTest, DataNoDecoderTakesLeavesTheNumberAlone) {
    const Bytes bmp = paletteBmp();
    ASSERT_NE(ImageFromMemory(5, bmp.data(), bmp.size()), 0);
    const id kept = ImageHandle(5);

    Bytes reserved = bmp;
    reserved[6] = 1; // not a BMP, and not a PNG either
    EXPECT_EQ(ImageFromMemory(5, reserved.data(), reserved.size()), 0);
    EXPECT_EQ(ImageFromMemory(6, reserved.data(), reserved.size()), 0);
    const Bytes png = palettePng(false);
    EXPECT_EQ(ImageFromMemory(7, png.data(), 7), 0);                 // seven signature bytes
    EXPECT_EQ(ImageFromMemory(7, png.data(), kUnknownImageSize), 0); // size unknown
    EXPECT_EQ(ImageFromMemory(7, nullptr, 100), 0);
    EXPECT_EQ(ImageHandle(5), kept);
    EXPECT_EQ(ImageHandle(6), nullptr);
    EXPECT_EQ(ImageHandle(7), nullptr);
}

TEST_F(ImageTest, NewImageFillModes) {
    const std::intptr_t colored = NewImage(AnyObjectNumber, 3, 2, 1, MakeColor(10, 20, 30));
    ASSERT_NE(colored, 0);
    EXPECT_EQ(nativePixel(ImageHandle(colored), 2, 1), "10,20,30,255");
    EXPECT_EQ(ImageBitDepth(colored, -2), 32);
    EXPECT_EQ(ImageDecoderId(colored), 0u);
    EXPECT_EQ(sizeOf(ImageHandle(colored)), (CGSize{3, 2}));

    EXPECT_NE(NewImage(0, 2, 2, 1, MakeColor(255, 255, 255)), 0);
    EXPECT_NE(NewImage(0, 2, 2, 7, MakeColor(255, 255, 255)), 0); // replaces image 0
    EXPECT_EQ(nativePixel(ImageHandle(0), 1, 1), "0,0,0,0");
    EXPECT_NE(NewImage(1, 2, 2), 0);
    EXPECT_EQ(nativePixel(ImageHandle(1), 1, 1), "0,0,0,0"); // as made: zeroed

    for (const auto& [width, height] :
         std::initializer_list<std::pair<int, int>>{{0, 1}, {1, 0}, {-3, 2}, {65536, 1}}) {
        EXPECT_EQ(NewImage(2, width, height), 0) << width << " x " << height;
    }
    EXPECT_EQ(ImageHandle(2), nullptr);
}

TEST_F(ImageTest, ReleasingImages) {
    NewImage(0, 1, 1);
    NewImage(1, 1, 1);
    const std::intptr_t dynamic = NewImage(AnyObjectNumber, 1, 1);
    const id first = ImageHandle(0);
    ReleaseImage(0);
    EXPECT_EQ(ImageHandle(0), nullptr);
    EXPECT_FALSE(objc::isLiveObject(first));
    EXPECT_NE(ImageHandle(1), nullptr);
    EXPECT_NE(ImageHandle(dynamic), nullptr);
    ReleaseImage(0); // again: nothing happens

    ReleaseImage(AnyObjectNumber);
    EXPECT_EQ(ImageHandle(1), nullptr);
    EXPECT_EQ(ImageHandle(dynamic), nullptr);
    ReleaseAllImages();

    // Numbers that are no image.
    EXPECT_EQ(ImageHandle(12345678), nullptr);
    EXPECT_EQ(ImageHandle(-7), nullptr);
    EXPECT_EQ(ImagePixelWidth(dynamic), 0);
    EXPECT_EQ(ImagePixelHeight(99), 0);
    EXPECT_EQ(ImageBitDepth(99, -2), 0);
}

TEST_F(ImageTest, AKeptNativeImageOutlivesItsImageObject) {
    NewImage(4, 2, 1, 1, MakeColor(1, 2, 3));
    const id kept = objc::retain(ImageHandle(4));
    ReleaseImage(4);
    ASSERT_TRUE(objc::isLiveObject(kept));
    EXPECT_EQ(nativePixel(kept, 1, 0), "1,2,3,255");
    objc::release(kept);
}

TEST_F(ImageTest, ANativeImageMakesAPatternColourAtItsSizeInPoints) {
    // As the drop area does: an RGBA picture shown at half its pixel size.
    test::PngPicture picture{.width = 8, .height = 4, .colorType = PNG_COLOR_TYPE_RGB_ALPHA};
    picture.rows.assign(4, Bytes(8 * 4, 0));
    for (auto& row : picture.rows) {
        for (int x = 0; x < 8; ++x) {
            row[x * 4 + 3] = 127;
        }
    }
    const Bytes png = test::EncodePng(picture);
    ASSERT_NE(ImageFromMemory(2, png.data(), png.size()), 0);
    objc::send(ImageHandle(2), "setSize:"_sel, CGSize{4, 2});
    const id color =
        objc::send<id>(objc::lookUpClass("NSColor"), "colorWithPatternImage:"_sel, ImageHandle(2));
    const auto* native = objc::liveCast<appkit::NSColorObject>(color);
    ASSERT_NE(native, nullptr);
    const QImage tile = native->brush().textureImage();
    EXPECT_EQ(tile.size(), QSize(4, 2));
    EXPECT_EQ(qAlpha(tile.pixel(1, 1)), 127);
}

TEST_F(ImageTest, ImagesDecodeOnOtherThreads) {
    const Bytes png = palettePng(true);
    std::intptr_t made[2] = {};
    std::thread one([&] { made[0] = ImageFromMemory(AnyObjectNumber, png.data(), png.size()); });
    std::thread two([&] { made[1] = ImageFromMemory(8, png.data(), png.size()); });
    one.join();
    two.join();
    EXPECT_EQ(nativePixel(ImageHandle(made[0]), 1, 0), "40,50,60,255");
    EXPECT_EQ(made[1], reinterpret_cast<std::intptr_t>(ImageHandle(8)));
}

} // namespace
} // namespace sondrel::controls
