#include "display/rebuilding_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "display/display_bitmap.h"
#include "picture/memory_budget.h"
#include "picture/picture_ops.h"

namespace pellumir {
namespace {

constexpr float kGamma = 2.2f;

// Pseudo-random pixels over a few dozen stops, so that every tone row and
// byte position is exercised.
void fillScrambled(RgbeImage& image, uint32_t width, uint32_t height, uint32_t seed) {
    image.allocate(width, height);
    uint32_t state = seed;
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            image.rows[r][c] = {uint8_t(state), uint8_t(state >> 8), uint8_t(state >> 16),
                                uint8_t(110 + (state >> 24) % 40)};
        }
    }
}

// Every byte of the bitmap's rows, fill bytes included.
std::vector<uint8_t> bytesOf(const DisplayBitmap& bitmap) {
    std::vector<uint8_t> bytes;
    for (uint32_t k = 0; k < bitmap.height; ++k)
        bytes.insert(bytes.end(), bitmap.rows[k], bitmap.rows[k] + bitmap.stride);
    return bytes;
}

std::vector<RgbePixel> pixelsOf(const RgbeImage& image) {
    return {image.pixels(), image.pixels() + uint64_t{image.width} * image.height};
}

enum class Command { mirror, flip, rotate };

// The command through its one-pass form against the plain picture
// operation followed by a fresh build: the same picture and the same bytes.
void expectSameAsPlain(Command command, uint32_t width, uint32_t height, float exposure) {
    SCOPED_TRACE(testing::Message() << int(command) << ": " << width << " x " << height);
    RgbeImage picture, expected;
    fillScrambled(picture, width, height, width * 7919 + height);
    fillScrambled(expected, width, height, width * 7919 + height);
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(picture.pixels(), width, height, 1.0f, kGamma), 1);
    switch (command) {
        case Command::mirror:
            mirrorAndRebuild(picture, bitmap, exposure, kGamma);
            mirrorPicture(expected);
            break;
        case Command::flip:
            flipAndRebuild(picture, bitmap, exposure, kGamma);
            flipPicture(expected);
            break;
        case Command::rotate:
            ASSERT_TRUE(rotateAndRebuild(picture, bitmap, exposure, kGamma));
            ASSERT_TRUE(expected.rotate90());
            break;
    }
    ASSERT_EQ(picture.width, expected.width);
    ASSERT_EQ(picture.height, expected.height);
    ASSERT_TRUE(pixelsOf(picture) == pixelsOf(expected));
    DisplayBitmap fresh;
    ASSERT_EQ(fresh.build(expected.pixels(), expected.width, expected.height, exposure, kGamma), 1);
    ASSERT_EQ(bitmap.width, fresh.width);
    ASSERT_EQ(bitmap.height, fresh.height);
    ASSERT_EQ(bitmap.stride, fresh.stride);
    EXPECT_EQ(std::memcmp(&bitmap.header, &fresh.header, sizeof fresh.header), 0);
    EXPECT_TRUE(bytesOf(bitmap) == bytesOf(fresh));
}

// Odd and even heights (the middle row of a flip), widths whose rows end in
// 0 to 3 fill bytes, and sizes large enough to be shared by two cores.
TEST(RebuildingCommands, GiveThePlainCommandsPictureAndBitmap) {
    const std::pair<uint32_t, uint32_t> sizes[] = {
        {1, 1}, {2, 1}, {1, 2}, {5, 3}, {6, 10}, {10, 6}, {33, 17}, {1031, 1029}, {1026, 1027}};
    for (auto [width, height] : sizes) {
        for (Command command : {Command::mirror, Command::flip, Command::rotate})
            expectSameAsPlain(command, width, height, 2.0f);
    }
    expectSameAsPlain(Command::rotate, 7, 5, 0x1p-20f);
}

TEST(RebuildingCommands, AnEmptyPictureLeavesTheBitmapAsItWas) {
    RgbeImage picture, other;
    fillScrambled(other, 3, 2, 1);
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(other.pixels(), 3, 2, 1.0f, kGamma), 1);
    std::vector<uint8_t> before = bytesOf(bitmap);
    mirrorAndRebuild(picture, bitmap, 2.0f, kGamma);
    flipAndRebuild(picture, bitmap, 2.0f, kGamma);
    EXPECT_TRUE(rotateAndRebuild(picture, bitmap, 2.0f, kGamma));
    EXPECT_TRUE(picture.empty());
    EXPECT_EQ(bitmap.width, 3u);
    EXPECT_TRUE(bytesOf(bitmap) == before);
}

TEST(RebuildingCommands, ATurnWithoutMemoryKeepsThePictureAndRebuildsItsBitmap) {
    RgbeImage picture, expected;
    fillScrambled(picture, 30, 20, 5);
    fillScrambled(expected, 30, 20, 5);
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(picture.pixels(), 30, 20, 1.0f, kGamma), 1);
    // Room for the bitmap in either shape, not for a second picture block.
    setMemoryBudgetForTesting(30 * 20 * 4 - 1);
    EXPECT_FALSE(rotateAndRebuild(picture, bitmap, 4.0f, kGamma));
    setMemoryBudgetForTesting(0);
    ASSERT_EQ(picture.width, 30u);
    EXPECT_TRUE(pixelsOf(picture) == pixelsOf(expected));
    DisplayBitmap fresh;
    ASSERT_EQ(fresh.build(expected.pixels(), 30, 20, 4.0f, kGamma), 1);
    ASSERT_EQ(bitmap.width, 30u);
    EXPECT_TRUE(bytesOf(bitmap) == bytesOf(fresh));
}

// A turned picture's bitmap reuses the block; the fill bytes at the ends of
// the new rows, where pixels of the old shape lay, must be 0 again.
TEST(DisplayBitmapReuse, ANewShapeKeepsTheBlockAndZeroesItsFillBytes) {
    RgbeImage tall, wide;
    fillScrambled(tall, 6, 10, 3);  // 20-byte rows, 200 bytes
    fillScrambled(wide, 10, 6, 4);  // 30 bytes padded to 32, 192 bytes
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(tall.pixels(), 6, 10, 1.0f, kGamma), 1);
    const uint8_t* block = bitmap.pixels();
    ASSERT_EQ(bitmap.build(wide.pixels(), 10, 6, 1.0f, kGamma), 1);
    EXPECT_EQ(bitmap.pixels(), block);
    EXPECT_EQ(bitmap.stride, 32);
    for (uint32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(bitmap.rows[k], block + 32 * k);
        EXPECT_EQ(bitmap.rows[k][30], 0);
        EXPECT_EQ(bitmap.rows[k][31], 0);
    }
    DisplayBitmap fresh;
    ASSERT_EQ(fresh.build(wide.pixels(), 10, 6, 1.0f, kGamma), 1);
    EXPECT_TRUE(bytesOf(bitmap) == bytesOf(fresh));
    EXPECT_EQ(bitmap.header.biWidth, 10);
    EXPECT_EQ(bitmap.header.biHeight, 6);
}

}  // namespace
}  // namespace pellumir
