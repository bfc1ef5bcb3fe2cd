#include "render-scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "picture/formats/radiance.h"

namespace pellumir {
namespace {

double luminance(RgbePixel pixel) {
    RgbColour c = decodeRgbe(pixel);
    return 0.2126 * c.red + 0.7152 * c.green + 0.0722 * c.blue;
}

TEST(RenderScene, SpansSixteenStopsWithoutABlackPixel) {
    RgbeImage image;
    renderScene(image, 640, 480);
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    double darkest = INFINITY;
    double brightest = 0;
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            // encodeRgbe gives exponent 0 only for black.
            ASSERT_NE(image.rows[y][x].exponent, 0) << "black at " << x << "," << y;
            double l = luminance(image.rows[y][x]);
            darkest = std::min(darkest, l);
            brightest = std::max(brightest, l);
        }
    }
    EXPECT_GE(brightest / darkest, 65536.0) << brightest << " / " << darkest;
}

// samples/room.hdr is what the sample-picture target renders: after a
// change to the scene, that target must be run again.
TEST(RenderScene, IsWhatTheCommittedSampleHolds) {
    const char* source = std::getenv("PELLUMIR_SOURCE_DIR");
    std::string path = std::string(source ? source : ".") + "/samples/room.hdr";
    RgbeImage sample;
    ASSERT_EQ(readRadiance(sample, path), 1) << path;
    RgbeImage scene;
    renderScene(scene, sample.width, sample.height);
    ASSERT_FALSE(scene.empty());
    EXPECT_EQ(sample.width, 640u);
    EXPECT_EQ(sample.height, 480u);
    EXPECT_EQ(std::memcmp(scene.pixels(), sample.pixels(),
                          size_t{sample.width} * sample.height * sizeof(RgbePixel)),
              0);
}

// Pixel (x, y) has its centre at ((x + 0.5) / w, (y + 0.5) / h), the same
// point as pixel (3x + 1, 3y + 1) of a picture three times the size.
TEST(RenderScene, SamplesTheSameSceneAtEveryResolution) {
    RgbeImage small;
    RgbeImage large;
    renderScene(small, 160, 120);
    renderScene(large, 480, 360);
    ASSERT_FALSE(small.empty());
    ASSERT_FALSE(large.empty());
    for (uint32_t y = 0; y < 120; ++y) {
        for (uint32_t x = 0; x < 160; ++x) {
            ASSERT_EQ(small.rows[y][x], large.rows[3 * y + 1][3 * x + 1]) << x << "," << y;
            RgbColour c = sceneRadiance((x + 0.5) / 160, (y + 0.5) / 120, 160.0 / 120);
            RgbePixel expected;
            encodeRgbe(expected, c.red, c.green, c.blue);
            ASSERT_EQ(small.rows[y][x], expected) << x << "," << y;
        }
    }
}

TEST(SceneRadiance, IsPositiveAndFiniteAtTheEdgesOfAnyShape) {
    for (double aspect : {0.01, 0.75, 1.0, 4.0 / 3, 100.0}) {
        for (double u : {0.0, 0.5, 1.0}) {
            for (double v : {0.0, 0.5, 1.0}) {
                RgbColour c = sceneRadiance(u, v, aspect);
                for (double component : {c.red, c.green, c.blue}) {
                    EXPECT_TRUE(std::isfinite(component) && component > 0)
                        << u << "," << v << " at aspect " << aspect << ": " << component;
                }
            }
        }
    }
}

}  // namespace
}  // namespace pellumir
