#include "display/streamed_build.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display_bitmap.h"
#include "io/byte_sink.h"
#include "picture/formats/radiance.h"
#include "support/memory_file.h"

namespace pellumir {
namespace {

constexpr float kGamma = 2.2f;

void fillScrambled(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    uint32_t state = width * 31 + height;
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            state = state * 1664525u + 1013904223u;
            image.rows[r][c] = {uint8_t(state >> 24), uint8_t(state >> 16), uint8_t(state >> 8),
                                uint8_t(118 + (state >> 4) % 20)};
        }
    }
}

std::vector<uint8_t> bytesOf(const DisplayBitmap& bitmap) {
    std::vector<uint8_t> bytes;
    for (uint32_t k = 0; k < bitmap.height; ++k)
        bytes.insert(bytes.end(), bitmap.rows[k], bitmap.rows[k] + bitmap.stride);
    return bytes;
}

// The bytes of a Radiance file of the picture, its resolution line
// replaced by `resolution` (the scanlines are then read in that order).
std::string radianceFile(const RgbeImage& picture, const std::string& resolution = "") {
    MemorySink out;
    EXPECT_EQ(writeRadiance(picture, out), 1);
    std::string bytes(out.bytes().begin(), out.bytes().end());
    if (!resolution.empty()) {
        size_t at = bytes.find("-Y ");
        size_t end = bytes.find('\n', at);
        bytes.replace(at, end - at, resolution);
    }
    return bytes;
}

// Reads the bytes with a streamed build; the bitmap against a plain build
// of what was read.
void expectSameAsPlainBuild(const std::string& bytes, float exposure) {
    RgbeImage picture;
    DisplayBitmap bitmap;
    int result = 0;
    {
        StreamedBuild build(bitmap, exposure, kGamma);
        test::MemoryFile file(bytes);
        result = readRadiance(picture, file.get(), &build);
        ASSERT_NE(result, 0);
        ASSERT_EQ(build.finish(picture), 1);
    }
    DisplayBitmap plain;
    ASSERT_EQ(plain.build(picture.pixels(), picture.width, picture.height, exposure, kGamma), 1);
    ASSERT_EQ(bitmap.width, plain.width);
    ASSERT_EQ(bitmap.height, plain.height);
    EXPECT_EQ(bitmap.header.biWidth, plain.header.biWidth);
    EXPECT_EQ(bitmap.header.biHeight, plain.header.biHeight);
    EXPECT_TRUE(bytesOf(bitmap) == bytesOf(plain));
}

// Many batches of rows (the last one short), one row per batch, one batch
// for the whole picture, and rows with 0 to 3 fill bytes.
TEST(StreamedBuild, GivesTheBytesOfAPlainBuild) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{301, 700}, {70000, 3}, {1, 1},
                                                   {5, 9},     {6, 4},     {7, 2}};
    for (auto [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        RgbeImage picture;
        fillScrambled(picture, width, height);
        expectSameAsPlainBuild(radianceFile(picture), 0.75f);
    }
}

// Rows read in another orientation are turned after the last one: nothing
// is converted on the way, and finish() builds the whole bitmap.
TEST(StreamedBuild, BuildsTurnedAndMirroredFilesAfterTheReading) {
    RgbeImage picture;
    fillScrambled(picture, 40, 30);
    expectSameAsPlainBuild(radianceFile(picture, "+Y 30 -X 40"), 1.0f);
    expectSameAsPlainBuild(radianceFile(picture, "-X 30 +Y 40"), 2.0f);
}

// A file cut short after many rows were converted: the reading fails, the
// picture goes, and nothing is left reading it.
TEST(StreamedBuild, AReadingThatFailsLeavesNoBitmap) {
    RgbeImage picture;
    fillScrambled(picture, 301, 700);
    std::string bytes = radianceFile(picture);
    bytes.resize(bytes.size() * 9 / 10);
    RgbeImage read;
    DisplayBitmap bitmap;
    StreamedBuild build(bitmap, 1.0f, kGamma);
    test::MemoryFile file(bytes);
    EXPECT_EQ(readRadiance(read, file.get(), &build), 0);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(build.finish(read), 0);
}

// Readers that tell nothing (all but Radiance) get a plain build.
TEST(StreamedBuild, WithoutRowsFinishIsAPlainBuild) {
    RgbeImage picture;
    fillScrambled(picture, 9, 4);
    DisplayBitmap bitmap;
    StreamedBuild build(bitmap, 1.0f, kGamma);
    ASSERT_EQ(build.finish(picture), 1);
    DisplayBitmap plain;
    ASSERT_EQ(plain.build(picture.pixels(), 9, 4, 1.0f, kGamma), 1);
    EXPECT_TRUE(bytesOf(bitmap) == bytesOf(plain));
}

}  // namespace
}  // namespace pellumir
