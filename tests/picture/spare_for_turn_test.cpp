#include "picture/spare_for_turn.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "picture/formats/radiance.h"
#include "picture/memory_budget.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

void fillScrambled(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    uint32_t state = 12345;
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            state = state * 1664525u + 1013904223u;
            image.rows[r][c] = {uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8),
                                uint8_t(state >> 2)};
        }
    }
}

std::vector<RgbePixel> pixelsOf(const RgbeImage& image) {
    return {image.pixels(), image.pixels() + uint64_t{image.width} * image.height};
}

class SpareForTurnTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fillScrambled(original, 517, 301);
        ASSERT_EQ(writeRadiance(original, path), 1);
    }
    void TearDown() override { setMemoryBudgetForTesting(0); }

    test::TempDir dir;
    std::string path = dir.file("p.hdr");
    RgbeImage original;
};

// The turn writes into the block made during the reading: the picture and
// every turn after it are those of a plain reading.
TEST_F(SpareForTurnTest, AReadingWithTheSpareTurnsAsAPlainOne) {
    RgbeImage picture, plain;
    {
        SpareForTurn spare(picture);
        ASSERT_EQ(readRadiance(picture, path, &spare), 1);
    }
    ASSERT_EQ(readRadiance(plain, path), 1);
    EXPECT_TRUE(pixelsOf(picture) == pixelsOf(plain));
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_TRUE(picture.rotate90());
        ASSERT_TRUE(plain.rotate90());
        ASSERT_EQ(picture.width, plain.width);
        ASSERT_TRUE(pixelsOf(picture) == pixelsOf(plain));
    }
}

// A failed reading frees the block (the leak checker of the sanitizer build
// would see it otherwise), and so does a budget without room for two.
TEST_F(SpareForTurnTest, FailedReadingsAndTightBudgetsKeepNoSpare) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    std::string cut = dir.file("cut.hdr");
    file = std::fopen(cut.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size() * 3 / 4, file);
    std::fclose(file);

    RgbeImage picture;
    SpareForTurn spare(picture);
    EXPECT_EQ(readRadiance(picture, cut, &spare), 0);
    EXPECT_TRUE(picture.empty());

    setMemoryBudgetForTesting(uint64_t{517} * 301 * 4 * 2 - 1);
    RgbeImage tight;
    SpareForTurn tightSpare(tight);
    ASSERT_EQ(readRadiance(tight, path, &tightSpare), 1);
    EXPECT_TRUE(pixelsOf(tight) == pixelsOf(original));
}

}  // namespace
}  // namespace pellumir
