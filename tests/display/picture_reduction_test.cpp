#include "display/picture_reduction.h"

#include <gtest/gtest.h>

#include <vector>

namespace pellumir {
namespace {

RgbePixel grey(double value) {
    RgbePixel p;
    encodeRgbe(p, value, value, value);
    return p;
}

void fill(RgbeImage& picture, uint32_t width, uint32_t height, const std::vector<double>& values) {
    picture.allocate(width, height);
    ASSERT_FALSE(picture.empty());
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            picture.rows[y][x] = grey(values[size_t{y} * width + x]);
}

double redAt(const RgbeImage& picture, uint32_t x, uint32_t y) {
    return decodeRgbe(picture.rows[y][x]).red;
}

TEST(ReducedSize, KeepsTheProportionsWithinTheLongestSideAndNeverEnlarges) {
    struct Case {
        uint32_t width, height, side, expectedWidth, expectedHeight;
    };
    for (const Case& c : std::vector<Case>{{8000, 6000, 256, 256, 192},
                                           {6000, 8000, 256, 192, 256},
                                           {640, 480, 128, 128, 96},
                                           {100, 100, 64, 64, 64},
                                           {3, 2, 256, 3, 2},
                                           {256, 10, 256, 256, 10},
                                           {1, 100000, 256, 1, 256},
                                           {100000, 1, 256, 256, 1},
                                           {1000, 3, 100, 100, 1},
                                           {4294967295u, 4294967295u, 2048, 2048, 2048},
                                           {4294967295u, 1, 2048, 2048, 1}}) {
        ReducedSize size = reducedSize(c.width, c.height, c.side);
        EXPECT_EQ(size.width, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.height, c.expectedHeight) << c.width << " x " << c.height;
    }
    EXPECT_EQ(reducedSize(0, 5, 256).width, 0u);
    EXPECT_EQ(reducedSize(5, 5, 0).width, 0u);
}

TEST(ReducePicture, AveragesRadianceNotDisplayValuesAndPicksNoSinglePixel) {
    // Black beside 1.0: nearest-pixel would give 0 or 1, an average of
    // display values 0.5^2.2; the mean radiance is 0.5.
    RgbeImage picture, reduced;
    fill(picture, 2, 1, {0.0, 1.0});
    ASSERT_TRUE(reducePicture(picture, 1, reduced));
    ASSERT_EQ(reduced.width, 1u);
    ASSERT_EQ(reduced.height, 1u);
    EXPECT_NEAR(redAt(reduced, 0, 0), 0.5, 0.5 / 128);
}

TEST(ReducePicture, GivesEachReducedPixelTheMeanOfItsOwnBox) {
    // 5 columns into 2: boxes of columns 0..2 and 3..4.
    RgbeImage picture, reduced;
    fill(picture, 5, 1, {1, 2, 3, 4, 5});
    ASSERT_TRUE(reducePicture(picture, 2, reduced));
    ASSERT_EQ(reduced.width, 2u);
    EXPECT_NEAR(redAt(reduced, 0, 0), 2.0, 2.0 / 128);
    EXPECT_NEAR(redAt(reduced, 1, 0), 4.5, 4.5 / 128);

    // A 4 x 4 checkerboard of black and 2.0 is 1.0 everywhere at 2 x 2; the
    // top-left box holds the rows 0..1, the bottom-right rows 2..3.
    std::vector<double> board(16);
    for (int i = 0; i < 16; ++i)
        board[i] = ((i % 4) + (i / 4)) % 2 ? 2.0 : 0.0;
    board[15] = 4.0;  // lifts only the bottom-right box's mean, to 2.0
    fill(picture, 4, 4, board);
    ASSERT_TRUE(reducePicture(picture, 2, reduced));
    EXPECT_NEAR(redAt(reduced, 0, 0), 1.0, 1.0 / 128);
    EXPECT_NEAR(redAt(reduced, 1, 0), 1.0, 1.0 / 128);
    EXPECT_NEAR(redAt(reduced, 0, 1), 1.0, 1.0 / 128);
    EXPECT_NEAR(redAt(reduced, 1, 1), 2.0, 2.0 / 128);
}

TEST(ReducePicture, KeepsEachChannelApartAndCountsExponentZeroAsBlack) {
    RgbeImage picture, reduced;
    picture.allocate(2, 2);
    picture.rows[0][0] = {200, 0, 0, 129};    // red only, 200.5 / 128
    picture.rows[0][1] = {0, 200, 0, 129};    // green only
    picture.rows[1][0] = {0, 0, 200, 129};    // blue only
    picture.rows[1][1] = {255, 255, 255, 0};  // exponent 0: shown black
    ASSERT_TRUE(reducePicture(picture, 1, reduced));
    RgbColour c = decodeRgbe(reduced.rows[0][0]);
    double expected = 200.5 / 128 / 4;
    EXPECT_NEAR(c.red, expected, expected / 64);
    EXPECT_NEAR(c.green, expected, expected / 64);
    EXPECT_NEAR(c.blue, expected, expected / 64);
}

TEST(ReducePicture, KeepsAPictureThatFitsAndTheBrightestRadiances) {
    RgbeImage picture, reduced;
    fill(picture, 3, 2, {0.25, 1e30, 3.0, 0.0, 7.5, 1e-30});
    ASSERT_TRUE(reducePicture(picture, 256, reduced));
    ASSERT_EQ(reduced.width, 3u);
    ASSERT_EQ(reduced.height, 2u);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x) {
            // Encoded again, possibly with another mantissa and exponent.
            double expected = redAt(picture, x, y);
            EXPECT_NEAR(redAt(reduced, x, y), expected, expected / 256) << x << ", " << y;
        }

    // The largest radiance there is, summed over a box, must not overflow
    // into something darker or into the exponent's wrap-around.
    picture.allocate(64, 64);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            picture.rows[y][x] = {255, 255, 255, 255};
    ASSERT_TRUE(reducePicture(picture, 1, reduced));
    EXPECT_EQ(reduced.rows[0][0], (RgbePixel{255, 255, 255, 255}));
}

TEST(ReducePicture, RefusesAnEmptyPictureAndLeavesTheResultEmpty) {
    RgbeImage picture, reduced;
    reduced.allocate(2, 2);
    EXPECT_FALSE(reducePicture(picture, 16, reduced));
    EXPECT_TRUE(reduced.empty());
}

}  // namespace
}  // namespace pellumir
