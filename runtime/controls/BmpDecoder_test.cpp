#include "runtime/controls/BmpDecoder.h"

#include <gtest/gtest.h>

#include "runtime/controls/TestImages.h"

namespace sondrel::controls {
namespace {

using test::Bytes;
using test::Decode;
using test::EncodeBmp;

const std::string kBlack = "0,0,0,255";
const std::string kWhite = "255,255,255,255";

class BmpDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitImageDecoders();
        RegisterBmpDecoder();
    }
};

TEST_F(BmpDecoderTest, OneBitIsBlackAndWhiteWhateverTheTable) {
    // Width 10 needs two bytes a row, padded to four; the table (red, green) is not used.
    const Bytes bmp = EncodeBmp({.width = 10,
                                 .height = 2,
                                 .bitCount = 1,
                                 .colorsUsed = 2,
                                 .palette = {{255, 0, 0}, {0, 255, 0}},
                                 .rows = {{0b1010'0000, 0b0100'0000}, {0xff, 0xc0}}});
    const auto image = Decode(bmp);
    EXPECT_EQ(image.decoderId, kBmpDecoderId);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.depth, 24);
    EXPECT_EQ(image.sourceDepth, 1);
    EXPECT_TRUE(image.complete);
    // The first stored row is the bottom one.
    EXPECT_EQ(image.pixel(0, 1), kWhite);
    EXPECT_EQ(image.pixel(1, 1), kBlack);
    EXPECT_EQ(image.pixel(2, 1), kWhite);
    EXPECT_EQ(image.pixel(8, 1), kBlack);
    EXPECT_EQ(image.pixel(9, 1), kWhite);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(image.pixel(x, 0), kWhite) << x;
    }
}

TEST_F(BmpDecoderTest, FourAndEightBitsLookUpTheTableAndIndexesPastItAreBlack) {
    const std::vector<png_color> table = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    // Odd width: the last byte's low nibble is padding.
    const auto four = Decode(EncodeBmp({.width = 3,
                                        .height = 1,
                                        .bitCount = 4,
                                        .colorsUsed = 3,
                                        .palette = table,
                                        .rows = {{0x12, 0x5f}}}));
    EXPECT_EQ(four.sourceDepth, 4);
    EXPECT_TRUE(four.complete);
    EXPECT_EQ(four.pixel(0, 0), "40,50,60,255");
    EXPECT_EQ(four.pixel(1, 0), "70,80,90,255");
    EXPECT_EQ(four.pixel(2, 0), kBlack);

    const auto eight = Decode(EncodeBmp({.width = 2,
                                         .height = 2,
                                         .bitCount = 8,
                                         .colorsUsed = 3,
                                         .palette = table,
                                         .rows = {{0, 200}, {2, 1}}}));
    EXPECT_EQ(eight.sourceDepth, 8);
    EXPECT_EQ(eight.pixel(0, 1), "10,20,30,255");
    EXPECT_EQ(eight.pixel(1, 1), kBlack);
    EXPECT_EQ(eight.pixel(0, 0), "70,80,90,255");
    EXPECT_EQ(eight.pixel(1, 0), "40,50,60,255");
}

TEST_F(BmpDecoderTest, Rle8RunsLiteralsDeltasAndEscapes) {
    const std::vector<png_color> table = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Bytes data = {
        3, 1,             // three times red
        0, 3, 2, 3, 2, 0, // three literal indexes, padded to an even count
        0, 0,             // end of line
        0, 2, 2, 1,       // two right, one up: row 1 is skipped
        2, 3,             // two times blue at x 2 and 3 of the top row
        0, 1,             // end of bitmap
        5, 1,             // after the end: ignored
    };
    const auto image = Decode(EncodeBmp({.width = 6,
                                         .height = 3,
                                         .bitCount = 8,
                                         .compression = 1,
                                         .colorsUsed = 4,
                                         .palette = table,
                                         .rows = {data}}));
    ASSERT_EQ(image.width, 6);
    EXPECT_TRUE(image.complete);
    const std::vector<std::string> bottom = {"255,0,0,255", "255,0,0,255", "255,0,0,255",
                                             "0,255,0,255", "0,0,255,255", "0,255,0,255"};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(image.pixel(x, 2), bottom[x]) << x;
        EXPECT_EQ(image.pixel(x, 1), kBlack) << x;
        EXPECT_EQ(image.pixel(x, 0), x == 2 || x == 3 ? "0,0,255,255" : kBlack) << x;
    }
}

TEST_F(BmpDecoderTest, Rle8NeverLeavesTheImage) {
    const std::vector<png_color> table = {{0, 0, 0}, {255, 255, 255}};
    const Bytes data = {
        200, 1,            // a run far past the row
        0,   255, 1, 1, 1, // literals past the row, running off the end of the data
    };
    const auto runs = Decode(EncodeBmp({.width = 5,
                                        .height = 2,
                                        .bitCount = 8,
                                        .compression = 1,
                                        .colorsUsed = 2,
                                        .palette = table,
                                        .rows = {data}}));
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(runs.pixel(x, 1), kWhite);
        EXPECT_EQ(runs.pixel(x, 0), kBlack);
    }
    EXPECT_FALSE(runs.complete); // the data ended before the image

    const Bytes deltas = {0, 2, 255, 0, 0, 2, 0, 255, 9, 1, 0, 0, 9, 1};
    const auto moved = Decode(EncodeBmp({.width = 5,
                                         .height = 2,
                                         .bitCount = 8,
                                         .compression = 1,
                                         .colorsUsed = 2,
                                         .palette = table,
                                         .rows = {deltas}}));
    EXPECT_TRUE(moved.complete); // moved past the last line: nothing more to draw
    EXPECT_EQ(moved.pixel(4, 1), kBlack);
}

TEST_F(BmpDecoderTest, SixteenBitsAs555Or565) {
    const auto x555 = Decode(EncodeBmp(
        {.width = 3, .height = 1, .bitCount = 16, .rows = {{0x00, 0x7c, 0xe0, 0x03, 0x1f, 0x00}}}));
    EXPECT_EQ(x555.sourceDepth, 16);
    EXPECT_EQ(x555.pixel(0, 0), "248,0,0,255");
    EXPECT_EQ(x555.pixel(1, 0), "0,248,0,255");
    EXPECT_EQ(x555.pixel(2, 0), "0,0,248,255");

    // Bit fields with the three masks after the header.
    const auto x565 =
        Decode(EncodeBmp({.width = 3,
                          .height = 1,
                          .bitCount = 16,
                          .compression = 3,
                          .masks = {0x00, 0xf8, 0, 0, 0xe0, 0x07, 0, 0, 0x1f, 0, 0, 0},
                          .rows = {{0x00, 0xf8, 0xe0, 0x07, 0x1f, 0x00}}}));
    EXPECT_TRUE(x565.complete);
    EXPECT_EQ(x565.pixel(0, 0), "248,0,0,255");
    EXPECT_EQ(x565.pixel(1, 0), "0,252,0,255");
    EXPECT_EQ(x565.pixel(2, 0), "0,0,248,255");
}

TEST_F(BmpDecoderTest, TwentyFourAndThirtyTwoBitsAreReordered) {
    // Width 3: nine bytes a row, padded to twelve.
    const auto rgb = Decode(
        EncodeBmp({.width = 3,
                   .height = 2,
                   .bitCount = 24,
                   .rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}}}));
    EXPECT_EQ(rgb.sourceDepth, 24);
    EXPECT_TRUE(rgb.complete);
    EXPECT_EQ(rgb.pixel(0, 1), "3,2,1,255");
    EXPECT_EQ(rgb.pixel(2, 1), "9,8,7,255");
    EXPECT_EQ(rgb.pixel(0, 0), "12,11,10,255");
    EXPECT_EQ(rgb.pixel(2, 0), "18,17,16,255");

    const auto rgbx = Decode(
        EncodeBmp({.width = 2, .height = 1, .bitCount = 32, .rows = {{1, 2, 3, 0, 4, 5, 6, 99}}}));
    EXPECT_EQ(rgbx.sourceDepth, 32);
    EXPECT_EQ(rgbx.pixel(0, 0), "3,2,1,255");
    EXPECT_EQ(rgbx.pixel(1, 0), "6,5,4,255");

    // A negative height stores the rows top-down.
    const auto topDown = Decode(
        EncodeBmp({.width = 1, .height = -2, .bitCount = 24, .rows = {{1, 2, 3}, {4, 5, 6}}}));
    EXPECT_EQ(topDown.height, 2);
    EXPECT_EQ(topDown.pixel(0, 0), "3,2,1,255");
    EXPECT_EQ(topDown.pixel(0, 1), "6,5,4,255");
}

TEST_F(BmpDecoderTest, BottomUpOutputOnRequest) {
    const Bytes bmp =
        EncodeBmp({.width = 1, .height = 2, .bitCount = 24, .rows = {{1, 2, 3}, {4, 5, 6}}});
    ImageDecoderContext context{};
    context.data = bmp.data();
    context.size = static_cast<std::uint32_t>(bmp.size());
    ASSERT_EQ(BmpDecoder().check(context), 1);
    Bytes rows(8);
    EXPECT_EQ(BmpDecoder().decode(context, rows.data(), 4, kDecodeBottomUp), 1);
    EXPECT_EQ(rows, (Bytes{3, 2, 1, 0, 6, 5, 4, 0}));
    EXPECT_EQ(BmpDecoder().decode(context, rows.data(), 2, 0), 0); // rows too short for a pixel
    BmpDecoder().close(context);
}

TEST_F(BmpDecoderTest, HeadersThatAreNotTaken) {
    Bytes bmp = EncodeBmp({.width = 1, .height = 1, .bitCount = 24, .rows = {{1, 2, 3}}});
    EXPECT_EQ(Decode(bmp).decoderId, kBmpDecoderId);

    Bytes reserved = bmp;
    reserved[8] = 1;
    EXPECT_EQ(Decode(reserved).decoderId, 0u);

    Bytes coreHeader = bmp;
    test::putLe(coreHeader, 14, 12, 4);
    EXPECT_EQ(Decode(coreHeader).decoderId, 0u);

    for (const auto& [width, height] : std::initializer_list<std::pair<std::int32_t, std::int32_t>>{
             {0, 1}, {-4, 1}, {1, 0}, {65536, 1}, {1, -65536}}) {
        Bytes sides = bmp;
        test::putLe(sides, 18, static_cast<std::uint32_t>(width), 4);
        test::putLe(sides, 22, static_cast<std::uint32_t>(height), 4);
        EXPECT_EQ(Decode(sides).decoderId, 0u) << width << " x " << height;
    }
    EXPECT_EQ(Decode(Bytes(bmp.begin(), bmp.begin() + 49)).decoderId, 0u);
}

TEST_F(BmpDecoderTest, LyingSizesStayInsideTheData) {
    // Pixel data said to start past the end: the image is made, black, and reported incomplete.
    Bytes bmp = EncodeBmp({.width = 2,
                           .height = 2,
                           .bitCount = 24,
                           .rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}});
    Bytes far = bmp;
    test::putLe(far, 10, 0xfffffff0u, 4);
    const auto farImage = Decode(far);
    EXPECT_FALSE(farImage.complete);
    EXPECT_EQ(farImage.pixel(0, 0), kBlack);

    // Rows missing at the end of the data: the stored rows are decoded, the rest stays black.
    Bytes truncated(bmp.begin(), bmp.end() - 4);
    const auto cut = Decode(truncated);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.pixel(0, 1), "3,2,1,255");
    EXPECT_EQ(cut.pixel(0, 0), "9,8,7,255");
    EXPECT_EQ(cut.pixel(1, 0), kBlack);

    // A colour table said to lie far away, and a huge entry count: indexes come out black.
    Bytes table = EncodeBmp({.width = 1,
                             .height = 1,
                             .bitCount = 8,
                             .colorsUsed = 0xffffffff,
                             .palette = {{9, 9, 9}},
                             .rows = {{0}}});
    EXPECT_EQ(Decode(table).pixel(0, 0), "9,9,9,255");
    test::putLe(table, 14, 0x7ffffff0u, 4);
    EXPECT_EQ(Decode(table).pixel(0, 0), kBlack);

    // A wide image whose rows are not there.
    const auto wide =
        Decode(EncodeBmp({.width = 65535, .height = 2, .bitCount = 1, .rows = {{0xff}}}));
    EXPECT_EQ(wide.width, 65535);
    EXPECT_FALSE(wide.complete);
    EXPECT_EQ(wide.pixel(0, 1), kWhite);
    EXPECT_EQ(wide.pixel(65534, 0), kBlack);
}

TEST_F(BmpDecoderTest, FormatsNotDecodedGiveABlackImage) {
    const std::vector<png_color> table = {{255, 255, 255}};
    for (const auto& [bitCount, compression] :
         std::initializer_list<std::pair<std::uint16_t, std::uint32_t>>{
             {4, 2}, {16, 1}, {2, 0}, {64, 0}}) {
        const auto image =
            Decode(EncodeBmp({.width = 2,
                              .height = 1,
                              .bitCount = bitCount,
                              .compression = compression,
                              .colorsUsed = 1,
                              .palette = table,
                              .rows = {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}));
        EXPECT_EQ(image.decoderId, kBmpDecoderId);
        EXPECT_EQ(image.sourceDepth, bitCount);
        EXPECT_FALSE(image.complete) << bitCount << "/" << compression;
        EXPECT_EQ(image.pixel(1, 0), kBlack);
    }
}

} // namespace
} // namespace sondrel::controls
