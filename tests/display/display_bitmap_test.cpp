#include "display/display_bitmap.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "display/tone_table.h"
#include "picture/memory_budget.h"

namespace pellumir {
namespace {

constexpr float kGamma = 2.2f;

struct Picture {
    uint32_t width;
    uint32_t height;
    std::vector<RgbePixel> pixels;  // row after row, top row first

    Picture(uint32_t w, uint32_t h, RgbePixel fill = {128, 128, 128, 128})
        : width(w), height(h), pixels(size_t{w} * h, fill) {}
    RgbePixel& at(uint32_t x, uint32_t y) { return pixels[size_t{y} * width + x]; }
};

int build(DisplayBitmap& bitmap, const Picture& picture, float exposure = 1.0f) {
    return bitmap.build(picture.pixels.data(), picture.width, picture.height, exposure, kGamma);
}

// Blue, green, red of the bitmap pixel that shows picture pixel (x, y).
std::vector<int> shown(const DisplayBitmap& bitmap, uint32_t x, uint32_t y) {
    const uint8_t* p = bitmap.rows[bitmap.height - 1 - y] + 3 * x;
    return {p[0], p[1], p[2]};
}

TEST(DisplayBitmapBuild, ShowsMidGreyAs187) {
    Picture picture(1, 1);
    DisplayBitmap bitmap;
    EXPECT_EQ(build(bitmap, picture), 1);
    EXPECT_EQ(shown(bitmap, 0, 0), (std::vector<int>{187, 187, 187}));
}

TEST(DisplayBitmapBuild, PutsBlueFirstAndTheBottomRowFirst) {
    Picture picture(2, 2, {0, 0, 0, 0});
    picture.at(0, 0) = {255, 0, 0, 128};  // top left: red 255, green and blue 15
    picture.at(1, 1) = {0, 0, 127, 128};  // bottom right: blue 186, red and green 15
    DisplayBitmap bitmap;
    ASSERT_EQ(build(bitmap, picture), 1);
    // The last row of the block is the top picture row.
    EXPECT_EQ((std::vector<int>{bitmap.rows[1][0], bitmap.rows[1][1], bitmap.rows[1][2]}),
              (std::vector<int>{15, 15, 255}));
    EXPECT_EQ((std::vector<int>{bitmap.rows[0][3], bitmap.rows[0][4], bitmap.rows[0][5]}),
              (std::vector<int>{186, 15, 15}));
    EXPECT_EQ(shown(bitmap, 1, 0), (std::vector<int>{0, 0, 0}));
}

TEST(DisplayBitmapBuild, ShowsExponentZeroBlackAtAnyExposure) {
    Picture picture(1, 1, {255, 200, 100, 0});
    for (float exposure : {1.0f, 1e30f, std::numeric_limits<float>::infinity()}) {
        DisplayBitmap bitmap;
        ASSERT_EQ(build(bitmap, picture, exposure), 1);
        EXPECT_EQ(shown(bitmap, 0, 0), (std::vector<int>{0, 0, 0})) << exposure;
    }
}

TEST(DisplayBitmapBuild, PadsRowsToFourBytesWithZeros) {
    const int32_t strides[] = {4, 8, 12, 12};
    for (uint32_t width = 1; width <= 4; ++width) {
        SCOPED_TRACE(width);
        Picture picture(width, 3, {255, 255, 255, 200});
        DisplayBitmap bitmap;
        ASSERT_EQ(build(bitmap, picture), 1);
        EXPECT_EQ(bitmap.stride, strides[width - 1]);
        for (uint32_t k = 0; k < 3; ++k) {
            EXPECT_EQ(bitmap.rows[k], bitmap.rows[0] + k * bitmap.stride);
            for (int32_t b = 0; b < bitmap.stride; ++b) {
                EXPECT_EQ(bitmap.rows[k][b], b < int32_t(3 * width) ? 255 : 0);
            }
        }
    }
}

TEST(DisplayBitmapBuild, KeepsItsStorageAtTheSameSizeAndSwapsTheHeaderAfterATurn) {
    Picture picture(3, 2);
    DisplayBitmap bitmap;
    ASSERT_EQ(build(bitmap, picture), 1);
    uint8_t** rows = bitmap.rows;
    const uint8_t* block = bitmap.rows[0];
    picture.pixels.assign(picture.pixels.size(), {0, 0, 0, 0});
    ASSERT_EQ(build(bitmap, picture, 4.0f), 1);
    EXPECT_EQ(bitmap.rows, rows);
    EXPECT_EQ(bitmap.rows[0], block);
    EXPECT_EQ(shown(bitmap, 2, 1), (std::vector<int>{0, 0, 0}));  // every byte rewritten

    Picture turned(2, 3);
    ASSERT_EQ(build(bitmap, turned), 1);
    EXPECT_EQ(bitmap.width, 2u);
    EXPECT_EQ(bitmap.height, 3u);
    EXPECT_EQ(bitmap.header.biWidth, 2);
    EXPECT_EQ(bitmap.header.biHeight, 3);
    EXPECT_EQ(bitmap.stride, 8);
}

TEST(DisplayBitmapBuild, BuildsNothingWithoutPixelsWidthOrHeight) {
    Picture picture(3, 2);
    DisplayBitmap bitmap;
    ASSERT_EQ(build(bitmap, picture), 1);
    const uint8_t* block = bitmap.rows[0];
    EXPECT_EQ(bitmap.build(picture.pixels.data(), 0, 2, 1.0f, kGamma), 0);
    EXPECT_EQ(bitmap.build(picture.pixels.data(), 3, 0, 1.0f, kGamma), 0);
    EXPECT_EQ(bitmap.build(nullptr, 3, 2, 1.0f, kGamma), 0);
    ASSERT_FALSE(bitmap.empty());
    EXPECT_EQ(bitmap.rows[0], block);
    EXPECT_EQ(bitmap.width, 3u);
}

TEST(DisplayBitmapBuild, IsLeftEmptyWhenItsStorageCannotBeHad) {
    Picture small(3, 2);
    DisplayBitmap bitmap;
    ASSERT_EQ(build(bitmap, small), 1);
    Picture large(100, 100);
    setMemoryBudgetForTesting(1000);
    int result = build(bitmap, large);
    setMemoryBudgetForTesting(0);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(bitmap.width, 0u);
    EXPECT_EQ(bitmap.height, 0u);
    EXPECT_EQ(bitmap.header.biWidth, 3);  // not refreshed: still the old size
}

TEST(DisplayBitmapAllocate, RefusesSizesItsHeaderCannotDescribe) {
    DisplayBitmap bitmap;
    bitmap.allocate(0x40000000, 1);  // a stride beyond 2^31 - 1
    EXPECT_TRUE(bitmap.empty());
    bitmap.allocate(1, 0x80000000u);
    EXPECT_TRUE(bitmap.empty());
}

// Large pictures are converted by two threads; the bytes must be those of a
// plain walk through the table, fill bytes included.
TEST(DisplayBitmapBuild, LargePicturesGiveTheBytesOfAPlainConversion) {
    Picture picture(1031, 1021);  // odd sizes: fill bytes, an uneven split
    std::mt19937 random(7);
    for (RgbePixel& p : picture.pixels) {
        uint32_t bits = random();
        p = {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16),
             uint8_t(110 + (bits >> 24) % 32)};
    }
    DisplayBitmap bitmap;
    ASSERT_EQ(build(bitmap, picture, 0.7f), 1);
    ToneTable table;
    makeToneTable(table, 0.7f, kGamma);
    for (uint32_t y = 0; y < picture.height; ++y) {
        const uint8_t* row = bitmap.rows[picture.height - 1 - y];
        for (uint32_t x = 0; x < picture.width; ++x) {
            RgbePixel p = picture.at(x, y);
            const uint8_t* tone = table.row(p.exponent);
            ASSERT_EQ(row[3 * x], tone[p.blue]) << x << ", " << y;
            ASSERT_EQ(row[3 * x + 1], tone[p.green]) << x << ", " << y;
            ASSERT_EQ(row[3 * x + 2], tone[p.red]) << x << ", " << y;
        }
        for (int32_t b = 3 * int32_t(picture.width); b < bitmap.stride; ++b)
            ASSERT_EQ(row[b], 0);
    }
}

}  // namespace
}  // namespace pellumir
