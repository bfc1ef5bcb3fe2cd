#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/display_bitmap.h"
#include "display/png_file.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = -1;
    int bitDepth = 0;
    png_fixed_point gamma = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// Decoded by libpng's reader, not by anything of ours.
bool decodePng(const std::string& path, DecodedPng& result) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_read_info(png, info);
        result.width = png_get_image_width(png, info);
        result.height = png_get_image_height(png, info);
        result.colourType = png_get_color_type(png, info);
        result.bitDepth = png_get_bit_depth(png, info);
        png_get_gAMA_fixed(png, info, &result.gamma);
        result.rgb.resize(size_t{result.width} * result.height * 3);
        for (uint32_t y = 0; y < result.height; ++y)
            png_read_row(png, result.rgb.data() + size_t{y} * result.width * 3, nullptr);
        png_read_end(png, nullptr);
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

// 3 x 2 pixels whose display bytes are known (red, green, blue in the comments).
const std::vector<RgbePixel> kPicture = {
    {255, 127, 0, 128},   {0, 0, 0, 0},   {1, 128, 255, 128},    // 255 186 15, 0 0 0, 24 187 255
    {128, 128, 128, 128}, {0, 1, 0, 128}, {255, 255, 255, 255},  // 187 x 3, 15 24 15, 255 x 3
};

TEST(WritePng, HoldsTheBitmapsPixelsTopRowFirstAsRgbWithTheDisplayGamma) {
    TempDir dir;
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    ASSERT_EQ(writeBitmapPng(dir.file("a.png"), bitmap, 2.2), 1);

    DecodedPng png;
    ASSERT_TRUE(decodePng(dir.file("a.png"), png));
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.gamma, 45455);
    EXPECT_EQ(png.rgb, (std::vector<uint8_t>{255, 186, 15, 0, 0, 0, 24, 187, 255, 187, 187, 187, 15,
                                             24, 15, 255, 255, 255}));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"});
}

TEST(WritePng, AFailedOrEmptySaveLeavesTheOldFile) {
    TempDir dir;
    test::writeBytes(dir.file("a.png"), "old");
    DisplayBitmap empty;
    EXPECT_EQ(writeBitmapPng(dir.file("a.png"), empty, 2.2), 0);

    PngSource missingRows{3, 2, [](uint32_t y) -> const uint8_t* {
                              static const uint8_t row[9] = {};
                              return y == 0 ? row : nullptr;
                          }};
    EXPECT_EQ(writePng(dir.file("a.png"), missingRows, 2.2), 0);
    EXPECT_EQ(test::readBytes(dir.file("a.png")), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"});
}

TEST(WritePng, ReportsAFullDisk) {
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    EXPECT_EQ(writeBitmapPng("/dev/full", bitmap, 2.2), 0);
}

}  // namespace
}  // namespace pellumir
