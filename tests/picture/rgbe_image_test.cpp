#include "picture/rgbe_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "picture/memory_budget.h"
#include "picture/picture_ops.h"

namespace pellumir {
namespace {

RgbePixel encoded(double r, double g, double b) {
    RgbePixel p{9, 9, 9, 9};
    encodeRgbe(p, r, g, b);
    return p;
}

RgbePixel px(uint8_t r, uint8_t g, uint8_t b, uint8_t e) {
    return {r, g, b, e};
}

// A picture whose pixel (r, c) is {r, c, r + c, 128}: every pixel tells where it came from.
void fillNumbered(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            image.rows[r][c] = px(uint8_t(r), uint8_t(c), uint8_t(r + c), 128);
        }
    }
}

TEST(EncodeRgbe, GivesTheKnownBytesForOrdinaryColours) {
    EXPECT_EQ(encoded(1.0, 1.0, 1.0), px(127, 127, 127, 129));
    EXPECT_EQ(encoded(0.5, 0.25, 0.0), px(127, 63, 0, 128));
    EXPECT_EQ(encoded(100.0, 50.0, 1.0), px(199, 99, 1, 135));
    EXPECT_EQ(encoded(0.18, 0.18, 0.18), px(184, 184, 184, 126));
}

TEST(EncodeRgbe, TreatsValuesUpTo1eMinus32AsBlack) {
    EXPECT_EQ(encoded(1e-32, 0, 0), px(0, 0, 0, 0));
    EXPECT_EQ(encoded(2e-32, 0, 0), px(207, 0, 0, 23));
    EXPECT_EQ(encoded(0, 0, 0), px(0, 0, 0, 0));
}

TEST(EncodeRgbe, ClampsNegativeAndNanComponentsToZero) {
    double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(encoded(-1.0, 1.0, 1.0), px(0, 127, 127, 129));
    EXPECT_EQ(encoded(nan, 1.0, -5.0), px(0, 127, 0, 129));
    EXPECT_EQ(encoded(nan, nan, nan), px(0, 0, 0, 0));
    EXPECT_EQ(encoded(-1.0, -2.0, -3.0), px(0, 0, 0, 0));
}

TEST(EncodeRgbe, SaturatesHugeAndInfiniteComponentsInsteadOfWrapping) {
    double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(encoded(inf, 0, 0), px(255, 0, 0, 255));
    EXPECT_EQ(encoded(0x1p127, 0x1p126, 0), px(255, 127, 0, 255));
    EXPECT_EQ(encoded(1e300, 1e300, 1e300), px(255, 255, 255, 255));
    EXPECT_EQ(encoded(std::ldexp(1.0, 126), 0, 0).exponent, 255);
}

TEST(DecodeRgbe, UsesMantissaPlusHalfTimesPowerOfTwo) {
    RgbColour c = decodeRgbe(px(127, 127, 127, 129));
    EXPECT_EQ(c.red, 0.99609375);
    EXPECT_EQ(c.green, 0.99609375);
    EXPECT_EQ(c.blue, 0.99609375);
    c = decodeRgbe(px(199, 99, 1, 135));
    EXPECT_EQ(c.red, 99.75);
    EXPECT_EQ(c.green, 49.75);
    EXPECT_EQ(c.blue, 0.75);
}

TEST(DecodeRgbe, DoesNotMakeExponentZeroBlack) {
    RgbColour c = decodeRgbe(px(0, 0, 0, 0));
    EXPECT_EQ(c.red, std::ldexp(1.0, -137));
    EXPECT_EQ(c.blue, std::ldexp(1.0, -137));
}

TEST(RgbeImage, AllocateLaysRowsOutInOneBlock) {
    RgbeImage image;
    image.allocate(5, 3);
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.width, 5u);
    EXPECT_EQ(image.height, 3u);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(image.rows[i], image.rows[0] + 5 * i);
}

TEST(RgbeImage, AllocateAtTheSameSizeKeepsEveryPixel) {
    RgbeImage image;
    fillNumbered(image, 4, 3);
    RgbePixel* block = image.pixels();
    image.allocate(4, 3);
    EXPECT_EQ(image.pixels(), block);
    EXPECT_EQ(image.rows[2][3], px(2, 3, 5, 128));
    image.allocate(3, 4);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 4u);
}

TEST(RgbeImage, AllocateOfZeroOrUnrepresentableSizeLeavesThePictureEmpty) {
    RgbeImage image;
    fillNumbered(image, 2, 2);
    image.allocate(0, 5);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0u);
    image.allocate(5, 0);
    EXPECT_TRUE(image.empty());
    image.allocate(UINT32_MAX, UINT32_MAX);  // 2^66 bytes
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.height, 0u);
}

TEST(RgbeImage, AllocateBeyondTheMemoryBudgetFailsCleanly) {
    setMemoryBudgetForTesting(1000);
    RgbeImage image;
    image.allocate(16, 16);  // 1024 bytes
    EXPECT_TRUE(image.empty());
    image.allocate(10, 25);  // 1000 bytes
    EXPECT_FALSE(image.empty());
    setMemoryBudgetForTesting(0);
    // A picture larger than the machine's memory is refused, not overcommitted.
    image.allocate(65536, 65536 * 8);
    EXPECT_TRUE(image.empty());
}

TEST(RgbeImage, ReleaseMayBeCalledOnAnEmptyPicture) {
    RgbeImage image;
    image.release();
    EXPECT_TRUE(image.empty());
    fillNumbered(image, 3, 3);
    image.release();
    image.release();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0u);
}

TEST(RgbeImage, SwapsExchangePixelsAndKeepRowPointers) {
    RgbeImage image;
    fillNumbered(image, 3, 2);
    RgbePixel* row0 = image.rows[0];
    image.swapRows(0, 1);
    EXPECT_EQ(image.rows[0], row0);
    EXPECT_EQ(image.rows[0][2], px(1, 2, 3, 128));
    image.swapRows(1, 1);
    EXPECT_EQ(image.rows[1][0], px(0, 0, 0, 128));
    image.swapColumns(0, 2);
    EXPECT_EQ(image.rows[0][0], px(1, 2, 3, 128));
    EXPECT_EQ(image.rows[1][2], px(0, 0, 0, 128));
}

TEST(RgbeImage, Rotate90TurnsClockwise) {
    // (a b c) over (d e f) becomes (d a), (e b), (f c).
    RgbeImage image;
    fillNumbered(image, 3, 2);
    RgbePixel a = image.rows[0][0], b = image.rows[0][1], c = image.rows[0][2];
    RgbePixel d = image.rows[1][0], e = image.rows[1][1], f = image.rows[1][2];
    ASSERT_TRUE(image.rotate90());
    ASSERT_EQ(image.width, 2u);
    ASSERT_EQ(image.height, 3u);
    EXPECT_EQ(image.rows[0][0], d);
    EXPECT_EQ(image.rows[0][1], a);
    EXPECT_EQ(image.rows[1][0], e);
    EXPECT_EQ(image.rows[1][1], b);
    EXPECT_EQ(image.rows[2][0], f);
    EXPECT_EQ(image.rows[2][1], c);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(image.rows[i], image.rows[0] + 2 * i);
}

TEST(RgbeImage, FourTurnsRestoreAPictureLargerThanOneTile) {
    RgbeImage image, original;
    fillNumbered(image, 131, 70);
    fillNumbered(original, 131, 70);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(image.rotate90());
    ASSERT_EQ(image.width, 131u);
    for (uint32_t r = 0; r < 70; ++r) {
        for (uint32_t c = 0; c < 131; ++c)
            ASSERT_EQ(image.rows[r][c], original.rows[r][c]);
    }
    // A single column turns into a single row, read bottom-up.
    fillNumbered(image, 1, 3);
    ASSERT_TRUE(image.rotate90());
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 1u);
    EXPECT_EQ(image.rows[0][0], px(2, 0, 2, 128));
    EXPECT_EQ(image.rows[0][2], px(0, 0, 0, 128));
}

// A pseudo-random picture: neighbouring pixels differ in every byte.
void fillScrambled(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    uint32_t state = 2463534242u;
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            image.rows[r][c] =
                px(uint8_t(state), uint8_t(state >> 8), uint8_t(state >> 16), uint8_t(state >> 24));
        }
    }
}

// Sizes on both sides of the four-pixel groups, the 32-row bands, the
// 64-column tiles and the size from which two cores share the work.
TEST(RgbeImage, Rotate90MatchesThePlainDefinitionOnOddSizes) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},       {3, 1},      {1, 5},
                                                   {5, 7},       {33, 65},    {67, 129},
                                                   {1031, 1029}, {2048, 515}, {3, 1500000}};
    for (auto [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        RgbeImage image, original;
        fillScrambled(image, width, height);
        fillScrambled(original, width, height);
        std::vector<int> finished(width, 0);
        ASSERT_TRUE(image.rotate90([&](const RgbeImage& turned, uint32_t first, uint32_t last) {
            // Rows are whole when announced.
            for (uint32_t r = first; r < last; ++r) {
                ++finished[r];
                ASSERT_EQ(turned.rows[r][0], original.rows[height - 1][r]);
                ASSERT_EQ(turned.rows[r][height - 1], original.rows[0][r]);
            }
        }));
        ASSERT_EQ(image.width, height);
        ASSERT_EQ(image.height, width);
        for (uint32_t r = 0; r < width; ++r) {
            ASSERT_EQ(finished[r], 1) << "row " << r;
            ASSERT_EQ(image.rows[r], image.pixels() + uint64_t{r} * height);
            for (uint32_t c = 0; c < height; ++c)
                ASSERT_EQ(image.rows[r][c], original.rows[height - 1 - c][r]) << r << ", " << c;
        }
    }
}

TEST(RgbeImage, TurnsThatKeepTheSpareWriteIntoTheBlockBefore) {
    RgbeImage image, original;
    fillScrambled(image, 131, 70);
    fillScrambled(original, 131, 70);
    RgbePixel* first = image.pixels();
    ASSERT_TRUE(image.rotate90(nullptr, RgbeImage::Spare::keep));
    RgbePixel* second = image.pixels();
    ASSERT_TRUE(image.rotate90(nullptr, RgbeImage::Spare::keep));
    EXPECT_EQ(image.pixels(), first);
    ASSERT_TRUE(image.rotate90(nullptr, RgbeImage::Spare::keep));
    EXPECT_EQ(image.pixels(), second);
    ASSERT_TRUE(image.rotate90());
    ASSERT_EQ(image.width, 131u);
    for (uint32_t r = 0; r < 70; ++r) {
        for (uint32_t c = 0; c < 131; ++c)
            ASSERT_EQ(image.rows[r][c], original.rows[r][c]);
    }
    // A picture of another size drops the spare with the old block.
    RgbeImage small;
    fillScrambled(image, 3, 2);
    fillScrambled(small, 3, 2);
    ASSERT_TRUE(image.rotate90(nullptr, RgbeImage::Spare::keep));
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.rows[0][0], small.rows[1][0]);
    EXPECT_EQ(image.rows[2][1], small.rows[0][2]);
}

TEST(RgbeImage, AGivenSpareOfThePicturesSizeIsWhereTheNextTurnWrites) {
    RgbeImage image, original;
    fillScrambled(image, 40, 9);
    fillScrambled(original, 40, 9);
    // One of another size is freed at the turn, which takes a new block.
    image.giveSpare(static_cast<RgbePixel*>(std::malloc(8)), 8);
    ASSERT_TRUE(image.rotate90());
    auto* block = static_cast<RgbePixel*>(std::malloc(40 * 9 * 4));
    image.giveSpare(block, 40 * 9 * 4);
    ASSERT_TRUE(image.rotate90());
    EXPECT_EQ(image.pixels(), block);
    EXPECT_EQ(image.width, 40u);  // half a turn in all
    EXPECT_EQ(image.rows[0][0], original.rows[8][39]);
    EXPECT_EQ(image.rows[8][39], original.rows[0][0]);
}

TEST(RgbeImage, Rotate90WithoutMemoryLeavesThePictureAsItWas) {
    RgbeImage image;
    fillNumbered(image, 30, 20);
    setMemoryBudgetForTesting(30 * 20 * 4 - 1);
    EXPECT_FALSE(image.rotate90());
    setMemoryBudgetForTesting(0);
    EXPECT_EQ(image.width, 30u);
    EXPECT_EQ(image.rows[0][0], px(0, 0, 0, 128));
    EXPECT_EQ(image.rows[19][29], px(19, 29, 48, 128));
}

TEST(PictureOps, MirrorAndFlipMatchTheColumnAndRowExchanges) {
    for (uint32_t size : {1u, 2u, 5u}) {
        RgbeImage image, expected;
        fillNumbered(image, size, size + 1);
        fillNumbered(expected, size, size + 1);
        mirrorPicture(image);
        for (uint32_t i = 0; i < size - 1 - i && size > 1; ++i)
            expected.swapColumns(size - 1 - i, i);
        flipPicture(image);
        uint32_t h = size + 1;
        for (uint32_t i = 0; i < h - 1 - i; ++i)
            expected.swapRows(h - 1 - i, i);
        for (uint32_t r = 0; r < h; ++r) {
            for (uint32_t c = 0; c < size; ++c)
                ASSERT_EQ(image.rows[r][c], expected.rows[r][c]);
        }
    }
}

}  // namespace
}  // namespace pellumir
