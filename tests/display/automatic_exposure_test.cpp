#include "display/automatic_exposure.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

namespace pellumir {
namespace {

// width x height of grey `value`, with the first `bright` pixels (row after
// row) at `brightValue`.
void makeGrey(RgbeImage& picture, uint32_t width, uint32_t height, double value,
              uint32_t bright = 0, double brightValue = 0) {
    picture.allocate(width, height);
    for (uint32_t i = 0; i < width * height; ++i) {
        double v = i < bright ? brightValue : value;
        encodeRgbe(picture.rows[i / width][i % width], v, v, v);
    }
}

double decoded(double value) {
    RgbePixel p;
    encodeRgbe(p, value, value, value);
    return decodeRgbe(p).green;
}

TEST(AutomaticExposure, BringsAnEvenPictureToMidGreyWhateverItsBrightness) {
    RgbeImage picture;
    for (double value : {1e-30, 0.001, 0.18, 1.0, 5000.0, 1e30}) {
        makeGrey(picture, 10, 10, value);
        double exposure = automaticExposure(picture);
        EXPECT_NEAR(exposure * decoded(value), kMidGrey, kMidGrey * 1e-6) << value;
    }
}

TEST(AutomaticExposure, UsesTheLogAverageSoThatOneDarkCornerDoesNotDecide) {
    // A tenth at 0.001, the rest at 0.1: the log-average is 10^-1.2.
    RgbeImage picture;
    makeGrey(picture, 10, 10, 0.1, 10, 0.001);
    double expected =
        kMidGrey / std::exp(0.1 * std::log(decoded(0.001)) + 0.9 * std::log(decoded(0.1)));
    EXPECT_NEAR(automaticExposure(picture), expected, expected * 1e-6);
}

TEST(AutomaticExposure, ScalesInverselyWithThePicturesRadiance) {
    RgbeImage picture;
    picture.allocate(16, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            picture.rows[y][x] = {uint8_t(16 * x + 3), uint8_t(200 - 9 * y), uint8_t(7 * x + 5 * y),
                                  uint8_t(120 + (x + y) % 9)};
    float base = automaticExposure(picture);
    // Adding k to every exponent multiplies every radiance by exactly 2^k.
    for (int k : {-100, -20, 20, 100}) {
        RgbeImage scaled;
        scaled.allocate(16, 16);
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                scaled.rows[y][x] = picture.rows[y][x];
                scaled.rows[y][x].exponent = uint8_t(picture.rows[y][x].exponent + k);
            }
        EXPECT_NEAR(automaticExposure(scaled), std::ldexp(base, -k), std::ldexp(base, -k) * 1e-6)
            << k;
    }
}

TEST(AutomaticExposure, LowersTheExposureUntilOnlyTheBrightestHundredthIsWhite) {
    RgbeImage picture;
    // 1 of 1000 pixels very bright: the log-average decides alone.
    makeGrey(picture, 100, 10, 0.5, 1, 50.0);
    double logAverage = std::exp((999 * std::log(decoded(0.5)) + std::log(decoded(50.0))) / 1000);
    EXPECT_NEAR(automaticExposure(picture), kMidGrey / logAverage, 1e-6);

    // 30 of 1000 at 16 x the rest: mid-grey would whiten them, so the
    // exposure brings them exactly to 1.
    makeGrey(picture, 100, 10, 0.5, 30, 8.0);
    EXPECT_NEAR(automaticExposure(picture), 1.0 / decoded(8.0), 1e-6);

    // 30 of 1000 at 10000 x the rest: at most two stops down from mid-grey.
    makeGrey(picture, 100, 10, 0.5, 30, 5000.0);
    logAverage = std::exp((970 * std::log(decoded(0.5)) + 30 * std::log(decoded(5000.0))) / 1000);
    EXPECT_NEAR(automaticExposure(picture), kMidGrey / logAverage / 4, 1e-6);
}

TEST(AutomaticExposure, LeavesBlackAndEmptyPicturesAtOneAndStaysFinite) {
    RgbeImage picture;
    EXPECT_EQ(automaticExposure(picture), 1.0f);
    makeGrey(picture, 4, 4, 0.0);
    EXPECT_EQ(automaticExposure(picture), 1.0f);
    // The darkest radiance there is needs an exposure beyond single
    // precision: it is held at the largest finite one.
    picture.allocate(1, 1);
    picture.rows[0][0] = {0, 0, 0, 1};
    EXPECT_EQ(automaticExposure(picture), FLT_MAX);
    picture.rows[0][0] = {255, 255, 255, 255};
    EXPECT_GT(automaticExposure(picture), 0.0f);
}

}  // namespace
}  // namespace pellumir
