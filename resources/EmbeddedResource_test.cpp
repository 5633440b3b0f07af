#include "resources/EmbeddedResource.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "runtime/controls/DecoderSelection.h"
#include "runtime/controls/PngDecoder.h"

namespace sondrel::resources {
namespace {

namespace fs = std::filesystem;
using controls::DecoderSelection;

std::vector<std::byte> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::byte> bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

TEST(EmbeddedResourceTest, CarriesEveryPictureAndDocumentOfTheFolderAsItIs) {
    std::vector<std::string> onDisk;
    for (const auto& entry : fs::directory_iterator(SONDREL_RESOURCES_DIR)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".png" || extension == ".rtf") {
            onDisk.push_back(entry.path().filename().string());
        }
    }
    std::sort(onDisk.begin(), onDisk.end());
    const std::vector<std::string_view> names = EmbeddedResourceNames();
    ASSERT_EQ(std::vector<std::string>(names.begin(), names.end()), onDisk);
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), "about.png"), onDisk.end());
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), "drop.png"), onDisk.end());
    for (const std::string& name : onDisk) {
        const std::span<const std::byte> carried = EmbeddedResource(name);
        const std::vector<std::byte> file = readFile(fs::path(SONDREL_RESOURCES_DIR) / name);
        EXPECT_TRUE(std::equal(carried.begin(), carried.end(), file.begin(), file.end())) << name;
    }
    EXPECT_TRUE(EmbeddedResource("nothing.png").empty());
    EXPECT_TRUE(EmbeddedResource("").empty());
    EXPECT_TRUE(EmbeddedResource("draw_pictures.py").empty());
}

struct Picture {
    int width = 0;
    int height = 0;
    int depth = 0;
    int sourceDepth = 0;
    std::vector<std::uint8_t> rgba{};

    const std::uint8_t* at(int x, int y) const { return &rgba[(y * width + x) * 4]; }
};

Picture decode(std::string_view name) {
    controls::InitImageDecoders();
    controls::RegisterPngDecoder();
    const std::span<const std::byte> data = EmbeddedResource(name);
    DecoderSelection selection(reinterpret_cast<const std::uint8_t*>(data.data()),
                               static_cast<std::uint32_t>(data.size()));
    Picture picture{selection.width(), selection.height(), selection.depth(),
                    selection.sourceDepth()};
    picture.rgba.resize(static_cast<std::size_t>(picture.width) * picture.height * 4);
    EXPECT_TRUE(selection.decodeRgba(picture.rgba.data(), picture.width * 4u)) << name;
    return picture;
}

TEST(EmbeddedResourceTest, TheAboutPictureIsA256SquarePaletteImageWithTransparency) {
    const Picture about = decode("about.png");
    EXPECT_EQ(about.width, 256);
    EXPECT_EQ(about.height, 256);
    EXPECT_EQ(about.depth, 32);       // the palette has a tRNS chunk
    EXPECT_EQ(about.sourceDepth, 32); // palette with tRNS
    EXPECT_EQ(about.at(0, 0)[3], 0);  // rounded corner
    EXPECT_EQ(about.at(128, 128)[3], 255);
    // The centre bar of the wave is white; the tile beside it is coloured.
    EXPECT_GT(about.at(128, 126)[1], 230);
    EXPECT_LT(about.at(40, 60)[1], 200);
}

TEST(EmbeddedResourceTest, TheDropPatternIsAnArrowheadAndABarAtHalfOpacity) {
    const Picture drop = decode("drop.png");
    EXPECT_EQ(drop.width, 800);
    EXPECT_EQ(drop.height, 500);
    EXPECT_EQ(drop.sourceDepth, 32);
    int maxAlpha = 0;
    for (std::size_t i = 0; i < drop.rgba.size(); i += 4) {
        maxAlpha = std::max<int>(maxAlpha, drop.rgba[i + 3]);
        ASSERT_EQ(drop.rgba[i] | drop.rgba[i + 1] | drop.rgba[i + 2], 0) << "not black at " << i;
    }
    EXPECT_EQ(maxAlpha, 127);
    auto alpha = [&drop](int x, int y) { return drop.at(x, y)[3]; };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(799, 499), 0);
    // Arrowhead: wide at its top, pointing down at the centre.
    EXPECT_EQ(alpha(400, 140), 127);
    EXPECT_EQ(alpha(300, 135), 127);
    EXPECT_EQ(alpha(300, 200), 0);
    EXPECT_EQ(alpha(400, 240), 127);
    EXPECT_EQ(alpha(400, 280), 0);
    EXPECT_EQ(alpha(400, 60), 0); // room for the prompt line above it
    // Bar: short, at the bottom centre.
    EXPECT_EQ(alpha(400, 405), 127);
    EXPECT_EQ(alpha(260, 405), 127);
    EXPECT_EQ(alpha(100, 405), 0);
    EXPECT_EQ(alpha(400, 330), 0);
}

} // namespace
} // namespace sondrel::resources
