#include "runtime/controls/PngDecoder.h"

#include <gtest/gtest.h>

#include "runtime/controls/BmpDecoder.h"
#include "runtime/controls/TestImages.h"

namespace sondrel::controls {
namespace {

using test::Bytes;
using test::Decode;
using test::EncodePng;
using test::PngPicture;

class PngDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitImageDecoders();
        RegisterBmpDecoder();
        RegisterPngDecoder();
    }
};

// A 256 x 256 palette image: index (x + y) mod 256, colour (i, 255 - i, i / 2), and in the tRNS
// variant alpha 0 for index 0 and i for the first 128 entries (the rest opaque).
PngPicture paletteImage(bool withTrns) {
    PngPicture picture{.width = 256, .height = 256, .colorType = PNG_COLOR_TYPE_PALETTE};
    for (int i = 0; i < 256; ++i) {
        picture.palette.push_back({static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                                   static_cast<png_byte>(i / 2)});
    }
    if (withTrns) {
        for (int i = 0; i < 128; ++i) {
            picture.paletteAlpha.push_back(static_cast<std::uint8_t>(i));
        }
    }
    for (int y = 0; y < 256; ++y) {
        Bytes row(256);
        for (int x = 0; x < 256; ++x) {
            row[x] = static_cast<std::uint8_t>(x + y);
        }
        picture.rows.push_back(row);
    }
    return picture;
}

TEST_F(PngDecoderTest, PaletteWithAndWithoutTrns) {
    const auto withAlpha = Decode(EncodePng(paletteImage(true)));
    EXPECT_EQ(withAlpha.decoderId, kPngDecoderId);
    EXPECT_EQ(withAlpha.width, 256);
    EXPECT_EQ(withAlpha.height, 256);
    EXPECT_EQ(withAlpha.depth, 32);
    EXPECT_EQ(withAlpha.sourceDepth, 32);
    EXPECT_TRUE(withAlpha.complete);
    EXPECT_EQ(withAlpha.pixel(0, 0), "0,255,0,0");
    EXPECT_EQ(withAlpha.pixel(10, 20), "30,225,15,30");
    EXPECT_EQ(withAlpha.pixel(200, 0), "200,55,100,255");

    const auto opaque = Decode(EncodePng(paletteImage(false)));
    EXPECT_EQ(opaque.depth, 24);
    EXPECT_EQ(opaque.sourceDepth, 8);
    EXPECT_TRUE(opaque.complete);
    EXPECT_EQ(opaque.pixel(0, 0), "0,255,0,255");
    EXPECT_EQ(opaque.pixel(10, 20), "30,225,15,255");
}

TEST_F(PngDecoderTest, GreyWithTrnsBecomesTransparentAtTheKey) {
    PngPicture picture{.width = 3,
                       .height = 1,
                       .colorType = PNG_COLOR_TYPE_GRAY,
                       .transparent = png_color_16{0, 0, 0, 0, 77},
                       .rows = {{0, 77, 255}}};
    const auto image = Decode(EncodePng(picture));
    EXPECT_EQ(image.depth, 32);
    EXPECT_EQ(image.sourceDepth, 8);
    EXPECT_EQ(image.pixel(0, 0), "0,0,0,255");
    EXPECT_EQ(image.pixel(1, 0), "77,77,77,0");
    EXPECT_EQ(image.pixel(2, 0), "255,255,255,255");

    picture.bitDepth = 16;
    picture.transparent = png_color_16{0, 0, 0, 0, 0x1234};
    picture.rows = {{0x12, 0x34, 0x12, 0x35, 0xff, 0xff}};
    const auto deep = Decode(EncodePng(picture));
    EXPECT_EQ(deep.sourceDepth, 16);
    EXPECT_EQ(deep.pixel(0, 0), "18,18,18,0");
    EXPECT_EQ(deep.pixel(1, 0), "18,18,18,255");
}

TEST_F(PngDecoderTest, LowBitDepthGreyIsExpandedToEightBits) {
    // Five 2-bit pixels 0, 1, 2, 3, 2 packed high bits first.
    const auto image = Decode(EncodePng({.width = 5,
                                         .height = 1,
                                         .colorType = PNG_COLOR_TYPE_GRAY,
                                         .bitDepth = 2,
                                         .rows = {{0b00'01'10'11, 0b10'00'00'00}}}));
    EXPECT_EQ(image.depth, 24);
    EXPECT_EQ(image.sourceDepth, 2);
    EXPECT_EQ(image.pixel(0, 0), "0,0,0,255");
    EXPECT_EQ(image.pixel(1, 0), "85,85,85,255");
    EXPECT_EQ(image.pixel(2, 0), "170,170,170,255");
    EXPECT_EQ(image.pixel(3, 0), "255,255,255,255");
    EXPECT_EQ(image.pixel(4, 0), "170,170,170,255");
}

TEST_F(PngDecoderTest, SixteenBitRgbKeepsTheHighByteAndIsOpaque) {
    const auto image = Decode(EncodePng(
        {.width = 2,
         .height = 1,
         .bitDepth = 16,
         .rows = {{0xab, 0xcd, 0x12, 0x34, 0xff, 0xff, 0x00, 0x01, 0x80, 0x00, 0x7f, 0xff}}}));
    EXPECT_EQ(image.depth, 24);
    EXPECT_EQ(image.sourceDepth, 24);
    EXPECT_EQ(image.pixel(0, 0), "171,18,255,255");
    EXPECT_EQ(image.pixel(1, 0), "0,128,127,255");
}

TEST_F(PngDecoderTest, SourceDepthsOfTheOtherColourTypes) {
    const auto greyAlpha = Decode(EncodePng(
        {.width = 1, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{9, 100}}}));
    EXPECT_EQ(greyAlpha.sourceDepth, 8);
    EXPECT_EQ(greyAlpha.pixel(0, 0), "9,9,9,100");

    const auto rgbKey = Decode(EncodePng({.width = 2,
                                          .height = 1,
                                          .transparent = png_color_16{0, 1, 2, 3, 0},
                                          .rows = {{1, 2, 3, 1, 2, 4}}}));
    EXPECT_EQ(rgbKey.depth, 32);
    EXPECT_EQ(rgbKey.sourceDepth, 32);
    EXPECT_EQ(rgbKey.pixel(0, 0), "1,2,3,0");
    EXPECT_EQ(rgbKey.pixel(1, 0), "1,2,4,255");

    PngPicture rgba{.width = 800, .height = 500, .colorType = PNG_COLOR_TYPE_RGB_ALPHA};
    rgba.rows.assign(500, Bytes(800 * 4, 0));
    rgba.rows[499][799 * 4 + 3] = 127;
    const auto large = Decode(EncodePng(rgba));
    EXPECT_EQ(large.depth, 32);
    EXPECT_EQ(large.sourceDepth, 32);
    EXPECT_EQ(large.pixel(799, 499), "0,0,0,127");
    EXPECT_EQ(large.pixel(0, 0), "0,0,0,0");
}

TEST_F(PngDecoderTest, InterlacedDecodesLikeItsNonInterlacedTwin) {
    PngPicture picture{.width = 37, .height = 23, .colorType = PNG_COLOR_TYPE_RGB_ALPHA};
    std::uint32_t seed = 12345;
    for (int y = 0; y < picture.height; ++y) {
        Bytes row(picture.width * 4);
        for (auto& byte : row) {
            seed = seed * 1103515245 + 12345;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        picture.rows.push_back(row);
    }
    const auto plain = Decode(EncodePng(picture));
    picture.interlaced = true;
    const Bytes interlacedPng = EncodePng(picture);
    const auto interlaced = Decode(interlacedPng);
    ASSERT_TRUE(plain.complete);
    ASSERT_TRUE(interlaced.complete);
    EXPECT_EQ(plain.rgba, interlaced.rgba);
    EXPECT_EQ(interlaced.pixel(36, 22), plain.pixel(36, 22));
    EXPECT_EQ(plain.rgba[4 * 37 + 1], picture.rows[1][1]);

    // Bottom-up output on request, all seven passes.
    ImageDecoderContext context{};
    context.data = interlacedPng.data();
    context.size = static_cast<std::uint32_t>(interlacedPng.size());
    ASSERT_EQ(PngDecoder().check(context), 1);
    Bytes flipped(37 * 4 * 23);
    EXPECT_EQ(PngDecoder().decode(context, flipped.data(), 37 * 4, kDecodeBottomUp), 1);
    PngDecoder().close(context);
    EXPECT_TRUE(std::equal(flipped.begin(), flipped.begin() + 37 * 4, plain.rgba.end() - 37 * 4));
}

TEST_F(PngDecoderTest, DataThatIsNotTakenOrEndsEarly) {
    const Bytes png = EncodePng(paletteImage(false));
    // Seven bytes of the signature are not a PNG.
    EXPECT_EQ(Decode(Bytes(png.begin(), png.begin() + 7)).decoderId, 0u);
    EXPECT_EQ(Decode(Bytes(png.begin(), png.begin() + 8)).decoderId, 0u);
    // Data of unknown size is never decoded.
    EXPECT_EQ(Decode(png, kUnknownImageSize).decoderId, 0u);
    // A damaged header checksum.
    Bytes damaged = png;
    damaged[29] ^= 1;
    EXPECT_EQ(Decode(damaged).decoderId, 0u);

    // Cut inside the image data: the image is made, its first rows are there, the others are
    // black, and decoding reports the failure.
    PngPicture noise{.width = 128, .height = 128};
    std::uint32_t seed = 7;
    for (int y = 0; y < 128; ++y) {
        Bytes row(128 * 3);
        for (auto& byte : row) {
            seed = seed * 1103515245 + 12345;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        noise.rows.push_back(row);
    }
    const Bytes whole = EncodePng(noise);
    const auto cut = Decode(Bytes(whole.begin(), whole.begin() + whole.size() / 2));
    EXPECT_EQ(cut.decoderId, kPngDecoderId);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.pixel(1, 5), std::to_string(noise.rows[5][3]) + "," +
                                   std::to_string(noise.rows[5][4]) + "," +
                                   std::to_string(noise.rows[5][5]) + ",255");
    EXPECT_EQ(cut.pixel(1, 127), "0,0,0,255");
}

TEST_F(PngDecoderTest, RegisteredOnlyOnce) {
    InitImageDecoders();
    EXPECT_EQ(RegisterPngDecoder(), 1);
    EXPECT_EQ(RegisterPngDecoder(), 1);
    EXPECT_EQ(RegisterBmpDecoder(), 2);
    EXPECT_EQ(RegisterBmpDecoder(), 3);
    EXPECT_EQ(RegisterPngDecoder(), 3);
}

} // namespace
} // namespace sondrel::controls
