#include "picture/formats/raw_float.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/picture_files.h"
#include "app/raw_float_input.h"
#include "readers/float_bytes.h"
#include "support/memory_file.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::encoded;
using test::encodedPixels;
using test::floatBytes;
using test::MemoryFile;
using test::pixelsOf;
using test::testFloats;

int readFrom(RgbeImage& image, const std::string& bytes, int64_t width, int64_t height, int colour,
             int swap) {
    MemoryFile file(bytes);
    return readRawFloat(image, file.get(), width, height, colour, swap);
}

TEST(ReadRawFloat, ReadsAGreyFileBottomRowFirst) {
    std::vector<float> floats = testFloats(8);
    std::string bytes = floatBytes(floats);
    ASSERT_EQ(bytes.size(), 32u);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, bytes, 4, 2, 0, 0), 1);
    ASSERT_EQ(image.width, 4u);
    ASSERT_EQ(image.height, 2u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(image.rows[1][i], encoded(floats[i], floats[i], floats[i]));
        EXPECT_EQ(image.rows[0][i], encoded(floats[4 + i], floats[4 + i], floats[4 + i]));
    }
}

TEST(ReadRawFloat, FailsWithNoRowsWhenColourNeedsMoreBytes) {
    // 4 x 2 in colour needs 96 bytes; the grey file has 32.
    RgbeImage image;
    EXPECT_EQ(readFrom(image, floatBytes(testFloats(8)), 4, 2, 1, 0), 0);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(readFrom(image, floatBytes(testFloats(24)).substr(1), 4, 2, 1, 0), 0);
    EXPECT_TRUE(image.empty());
}

TEST(ReadRawFloat, TakesTheByteOrderFromTheSwapFlag) {
    RgbeImage image;
    ASSERT_EQ(readFrom(image, std::string("\x3f\x80\x00\x00", 4), 1, 1, 0, 1), 1);
    EXPECT_EQ(image.rows[0][0], encoded(1, 1, 1));
    ASSERT_EQ(readFrom(image, std::string("\x00\x00\x80\x3f", 4), 1, 1, 0, 0), 1);
    EXPECT_EQ(image.rows[0][0], encoded(1, 1, 1));

    std::vector<float> floats = testFloats(12);
    ASSERT_EQ(readFrom(image, floatBytes(floats, true), 2, 2, 1, 1), 1);
    std::vector<RgbePixel> fileOrder = encodedPixels(floats, 3);
    EXPECT_EQ(pixelsOf(image),
              (std::vector<RgbePixel>{fileOrder[2], fileOrder[3], fileOrder[0], fileOrder[1]}));
}

TEST(ReadRawFloat, IgnoresBytesAfterTheLastRow) {
    std::vector<float> floats = testFloats(10);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, floatBytes(floats), 3, 3, 0, 0), 1);
    std::vector<RgbePixel> fileOrder = encodedPixels(floats, 1);
    EXPECT_EQ(image.rows[0][0], fileOrder[6]);
    EXPECT_EQ(image.rows[2][2], fileOrder[2]);
}

TEST(ReadRawFloat, FailsForSizesOutsideOneToInt32Max) {
    std::string bytes = floatBytes(testFloats(64));
    for (auto [width, height] :
         std::vector<std::pair<int64_t, int64_t>>{{0, 1},
                                                  {1, 0},
                                                  {0, 0},
                                                  {-1, 1},
                                                  {1, -3},
                                                  {INT64_MIN, 1},
                                                  {1, INT64_MAX},
                                                  {int64_t{INT32_MAX} + 1, 1},
                                                  {1, int64_t{1} << 32}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        RgbeImage image;
        EXPECT_EQ(readFrom(image, bytes, width, height, 0, 0), 0);
        EXPECT_TRUE(image.empty());
    }
}

TEST(ReadRawFloat, RefusesHugeClaimsOnATinyFileBeforeAllocating) {
    std::string bytes = floatBytes(testFloats(12));
    for (auto [width, height] : std::vector<std::pair<int64_t, int64_t>>{{65536, 65536},
                                                                         {46341, 46341},
                                                                         {65537, 65536},
                                                                         {65536, 32768},
                                                                         {INT32_MAX, INT32_MAX},
                                                                         {INT32_MAX, 1}}) {
        for (int colour : {0, 1}) {
            RgbeImage image;
            EXPECT_EQ(readFrom(image, bytes, width, height, colour, 0), 0);
            EXPECT_TRUE(image.empty());
        }
    }
}

TEST(ReadRawFloat, OpensFilesByNameAndThroughTheDispatch) {
    test::TempDir dir;
    std::vector<float> floats = testFloats(6);
    test::writeBytes(dir.file("a.float"), floatBytes(floats, true));
    RgbeImage image;
    ASSERT_EQ(readRawFloat(image, dir.file("a.float"), 2, 1, 1, 1), 1);
    EXPECT_EQ(pixelsOf(image), encodedPixels(floats, 3));

    RawFloatLayout layout = rawFloatLayoutFromDialog("2.9", "1", true, true);
    RgbeImage viaDispatch;
    ASSERT_EQ(
        readPicture(viaDispatch, kindOfFile(dir.file("a.float")), dir.file("a.float"), layout), 1);
    EXPECT_EQ(pixelsOf(viaDispatch), encodedPixels(floats, 3));

    // What the user typed out of range reaches the reader and fails there.
    for (const char* width : {"", "0", "abc", "-2", "3e9", "1e30", "nan", "-inf"}) {
        SCOPED_TRACE(width);
        layout = rawFloatLayoutFromDialog(width, "1", true, true);
        EXPECT_EQ(readPicture(viaDispatch, PictureKind::rawFloat, dir.file("a.float"), layout), 0);
        EXPECT_TRUE(viaDispatch.empty());
    }
    EXPECT_EQ(readRawFloat(image, dir.file("missing.float"), 1, 1, 0, 0), 0);
    EXPECT_TRUE(image.empty());
}

TEST(RawSizeFromText, ReadsAsAtofAndTruncatesTowardZero) {
    EXPECT_EQ(rawSizeFromText("640.9"), 640);
    EXPECT_EQ(rawSizeFromText("12abc"), 12);
    EXPECT_EQ(rawSizeFromText("-3.7"), -3);
    EXPECT_EQ(rawSizeFromText("-0.9"), 0);
    EXPECT_EQ(rawSizeFromText(""), 0);
    EXPECT_EQ(rawSizeFromText("abc"), 0);
    EXPECT_EQ(rawSizeFromText("  \t480"), 480);
    EXPECT_EQ(rawSizeFromText("+7"), 7);
    EXPECT_EQ(rawSizeFromText("1e3"), 1000);
    EXPECT_EQ(rawSizeFromText("0x20"), 32);
    EXPECT_EQ(rawSizeFromText("2147483647"), INT32_MAX);
    EXPECT_EQ(rawSizeFromText("2147483648"), int64_t{INT32_MAX} + 1);
}

TEST(RawSizeFromText, SaturatesWhatNoIntegerHolds) {
    EXPECT_EQ(rawSizeFromText("1e30"), INT64_MAX);
    EXPECT_EQ(rawSizeFromText("inf"), INT64_MAX);
    EXPECT_EQ(rawSizeFromText("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(rawSizeFromText("-1e30"), INT64_MIN);
    EXPECT_EQ(rawSizeFromText("-infinity"), INT64_MIN);
    EXPECT_EQ(rawSizeFromText("nan"), INT64_MIN);
    EXPECT_EQ(rawSizeFromText("-9223372036854775808"), INT64_MIN);
}

}  // namespace
}  // namespace pellumir
