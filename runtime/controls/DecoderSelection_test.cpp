#include "runtime/controls/DecoderSelection.h"

#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "runtime/controls/BmpDecoder.h"
#include "runtime/controls/Color.h"
#include "runtime/controls/TestImages.h"

namespace sondrel::controls {
namespace {

using test::Bytes;
using test::Decode;

// A decoder of "TOY" data: the letters, a width and a height byte, then the pixels as R, G, B
// bytes. It counts its calls and checks that its private words start cleared.
struct ToyCalls {
    int checks = 0;
    int decodes = 0;
    int closes = 0;
    bool privateWordsWereClear = true;
};
ToyCalls g_toy;
constexpr std::uint32_t kToyId = 'T' | ('O' << 8) | ('Y' << 16);

int toyCheck(ImageDecoderContext& context) {
    ++g_toy.checks;
    for (std::byte word : context.privateState) {
        g_toy.privateWordsWereClear = g_toy.privateWordsWereClear && word == std::byte{0};
    }
    // Leave something behind that the next decoder must not see.
    std::memset(context.privateState, 0xAB, sizeof(context.privateState));
    if (context.size < 5 || std::memcmp(context.data, "TOY", 3) != 0) {
        return 0;
    }
    context.width = context.data[3];
    context.height = context.data[4];
    context.depth = 24;
    context.sourceDepth = 24;
    return 1;
}
int toyDecode(ImageDecoderContext& context, std::uint8_t* rows, std::size_t bytesPerRow, int) {
    ++g_toy.decodes;
    const std::size_t rowBytes = static_cast<std::size_t>(context.width) * 3;
    for (int y = 0; y < context.height; ++y) {
        const std::size_t at = 5 + y * rowBytes;
        if (at + rowBytes > context.size) {
            return 0;
        }
        std::memcpy(rows + y * bytesPerRow, context.data + at, rowBytes);
    }
    return 1;
}
void toyClose(ImageDecoderContext&) {
    ++g_toy.closes;
}
const ImageDecoder kToy{toyCheck, toyDecode, toyClose, kToyId};

// Accepts nothing.
int refuse(ImageDecoderContext&) {
    return 0;
}
const ImageDecoder kRefuser{refuse, toyDecode, toyClose, 1};

class DecoderSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitImageDecoders();
        g_toy = {};
    }
};

TEST_F(DecoderSelectionTest, TheFirstDecoderThatAcceptsIsUsedAndClosedOnce) {
    EXPECT_EQ(RegisterImageDecoder(kRefuser), 1);
    EXPECT_EQ(RegisterImageDecoder(kToy), 2);
    const Bytes toy = {'T', 'O', 'Y', 5, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    {
        DecoderSelection selection(toy.data(), static_cast<std::uint32_t>(toy.size()));
        EXPECT_EQ(selection.decoderId(), kToyId);
        EXPECT_EQ(selection.width(), 5);
        EXPECT_EQ(selection.height(), 1);
        // Width 5 of RGB goes through rows padded to 16 bytes; alpha becomes 255.
        Bytes rgba(5 * 4, 0);
        EXPECT_TRUE(selection.decodeRgba(rgba.data(), 20));
        EXPECT_EQ(test::Pixel(rgba, 5, 0, 0), "1,2,3,255");
        EXPECT_EQ(test::Pixel(rgba, 5, 4, 0), "13,14,15,255");
        EXPECT_FALSE(selection.decodeRgba(rgba.data(), 19)); // rows too short
        EXPECT_EQ(g_toy.closes, 0);
    }
    EXPECT_EQ(g_toy.closes, 1);
    EXPECT_EQ(g_toy.decodes, 1);
}

TEST_F(DecoderSelectionTest, PrivateWordsAreClearedBeforeEachCheck) {
    RegisterImageDecoder(kToy);
    RegisterImageDecoder(kToy);
    const Bytes other = {'N', 'O', 'P', 'E', 0, 0};
    DecoderSelection selection(other.data(), static_cast<std::uint32_t>(other.size()));
    EXPECT_EQ(selection.decoderId(), 0u);
    EXPECT_EQ(g_toy.checks, 2);
    EXPECT_TRUE(g_toy.privateWordsWereClear);
    Bytes rgba(16);
    EXPECT_FALSE(selection.decodeRgba(rgba.data(), 16));
}

TEST_F(DecoderSelectionTest, ABitmapRefusedByTheBmpDecoderGoesToTheNextDecoder) {
    RegisterBmpDecoder();
    RegisterImageDecoder(kToy);
    Bytes bmp = test::EncodeBmp({.width = 1, .height = 1, .bitCount = 24, .rows = {{1, 2, 3}}});
    EXPECT_EQ(Decode(bmp).decoderId, kBmpDecoderId);
    EXPECT_EQ(g_toy.checks, 0);
    bmp[6] = 1; // a reserved word
    EXPECT_EQ(Decode(bmp).decoderId, 0u);
    EXPECT_EQ(g_toy.checks, 1);
}

TEST_F(DecoderSelectionTest, EmptyOrUnknownSizedDataIsNotLookedAt) {
    RegisterImageDecoder(kToy);
    const Bytes empty = {'T', 'O', 'Y', 0, 3};
    {
        DecoderSelection selection(empty.data(), 5);
        EXPECT_EQ(selection.decoderId(), kToyId);
        Bytes rgba(16);
        EXPECT_FALSE(selection.decodeRgba(rgba.data(), 16)); // zero width: nothing to fill
    }
    EXPECT_EQ(g_toy.closes, 1); // closed also when the image is empty
    g_toy = {};
    DecoderSelection unknown(empty.data(), kUnknownImageSize);
    DecoderSelection none(nullptr, 5);
    DecoderSelection zero(empty.data(), 0);
    EXPECT_EQ(g_toy.checks, 0);
}

TEST_F(DecoderSelectionTest, TheTableHoldsThirtyDecoders) {
    for (int i = 1; i <= kMaxImageDecoders; ++i) {
        EXPECT_EQ(RegisterImageDecoder(kRefuser), i);
    }
    EXPECT_EQ(RegisterImageDecoder(kToy), 0);
    EXPECT_EQ(RegisterImageDecoder(ImageDecoder{}), 0);
    InitImageDecoders();
    EXPECT_EQ(RegisterImageDecoder(kToy), 1);
}

TEST_F(DecoderSelectionTest, EachThreadDecodesOnItsOwnContext) {
    RegisterBmpDecoder();
    const Bytes wide =
        test::EncodeBmp({.width = 2, .height = 1, .bitCount = 24, .rows = {{1, 2, 3, 4, 5, 6}}});
    const Bytes tall = test::EncodeBmp(
        {.width = 1, .height = 3, .bitCount = 24, .rows = {{7, 8, 9}, {7, 8, 9}, {7, 8, 9}}});
    // The main thread holds a selection open while another thread decodes.
    DecoderSelection mine(wide.data(), static_cast<std::uint32_t>(wide.size()));
    test::Decoded theirs;
    std::thread([&] { theirs = Decode(tall); }).join();
    EXPECT_EQ(theirs.width, 1);
    EXPECT_EQ(theirs.height, 3);
    EXPECT_EQ(theirs.pixel(0, 2), "9,8,7,255");
    EXPECT_EQ(mine.width(), 2);
    EXPECT_EQ(mine.height(), 1);
    Bytes rgba(8);
    EXPECT_TRUE(mine.decodeRgba(rgba.data(), 8));
    EXPECT_EQ(test::Pixel(rgba, 2, 1, 0), "6,5,4,255");
}

TEST(MakeColorTest, PacksRedGreenBlue) {
    EXPECT_EQ(MakeColor(255, 255, 255), 16777215);
    EXPECT_EQ(MakeColor(1, 2, 3), 1 + 2 * 256 + 3 * 65536);
    EXPECT_EQ(MakeColor(0, 0, 0), 0);
}

} // namespace
} // namespace sondrel::controls
