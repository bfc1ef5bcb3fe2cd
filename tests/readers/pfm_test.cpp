#include "picture/formats/pfm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

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

int readFrom(RgbeImage& image, const std::string& bytes) {
    MemoryFile file(bytes);
    return readPfm(image, file.get());
}

// The rows of `floats` in file order (bottom row first) as picture rows,
// row 0 at the top.
std::vector<RgbePixel> flipped(const std::vector<RgbePixel>& fileOrder, uint32_t width) {
    std::vector<RgbePixel> pixels;
    for (size_t row = fileOrder.size() / width; row-- > 0;) {
        pixels.insert(pixels.end(), fileOrder.begin() + row * width,
                      fileOrder.begin() + (row + 1) * width);
    }
    return pixels;
}

void expectFailedEmpty(const std::string& bytes) {
    RgbeImage image;
    EXPECT_EQ(readFrom(image, bytes), 0);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
}

TEST(ReadPfm, ReadsColourAndGreyFiles) {
    std::vector<float> colour = testFloats(3 * 2 * 3);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n3 2\n-1.0\n" + floatBytes(colour)), 1);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(pixelsOf(image), flipped(encodedPixels(colour, 3), 3));

    std::vector<float> grey = testFloats(3 * 2);
    ASSERT_EQ(readFrom(image, "Pf\n3 2\n-1.0\n" + floatBytes(grey)), 1);
    EXPECT_EQ(pixelsOf(image), flipped(encodedPixels(grey, 1), 3));
}

TEST(ReadPfm, GreyValueGivesTheSamePixelAsThreeEqualColours) {
    const float v = 0.7318f;
    RgbeImage grey;
    RgbeImage colour;
    ASSERT_EQ(readFrom(grey, "Pf\n1 1\n-1\n" + floatBytes({v})), 1);
    ASSERT_EQ(readFrom(colour, "PF\n1 1\n-1\n" + floatBytes({v, v, v})), 1);
    EXPECT_EQ(grey.rows[0][0], colour.rows[0][0]);
    EXPECT_EQ(grey.rows[0][0], encoded(v, v, v));
}

TEST(ReadPfm, RefusesAnyOtherMagic) {
    std::string rest = "\n1 1\n-1.0\n" + floatBytes({1, 1, 1});
    for (const char* magic : {"pf", "pF", "P6", "PG", "Pp", "QF"}) {
        SCOPED_TRACE(magic);
        expectFailedEmpty(magic + rest);
    }
    expectFailedEmpty("");
    expectFailedEmpty("P");
}

TEST(ReadPfm, TakesTheFirst36RasterBytesAsTheBottomRow) {
    // 3 x 2 colour, little-endian: bytes 0..35 are file row 0.
    std::vector<float> floats = testFloats(18);
    std::string raster = floatBytes(floats);
    ASSERT_EQ(raster.size(), 72u);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n3 2\n-1.0\n" + raster), 1);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(image.rows[1][i], encoded(floats[3 * i], floats[3 * i + 1], floats[3 * i + 2]));
        EXPECT_EQ(image.rows[0][i],
                  encoded(floats[9 + 3 * i], floats[10 + 3 * i], floats[11 + 3 * i]));
    }
}

TEST(ReadPfm, TakesTheByteOrderFromTheSignOfTheScaleOnly) {
    std::vector<float> floats = testFloats(18);
    std::vector<RgbePixel> expected = flipped(encodedPixels(floats, 3), 3);
    struct Case {
        const char* scale;
        bool bigEndian;
    };
    for (Case c : {Case{"-1.0", false}, Case{"1.0", true}, Case{"0", false}, Case{"-0.0", false},
                   Case{"+0.25", true}, Case{"-17.5", false}, Case{"1e-50", false},
                   Case{"nan", false}, Case{"-nan", false}, Case{"INF", true},
                   Case{"-infinity", false}, Case{"0x1p-3", true}, Case{"1e", true}}) {
        SCOPED_TRACE(c.scale);
        RgbeImage image;
        std::string header = std::string("PF\n3 2\n") + c.scale + "\n";
        ASSERT_EQ(readFrom(image, header + floatBytes(floats, c.bigEndian)), 1);
        EXPECT_EQ(pixelsOf(image), expected);
    }
}

TEST(ReadPfm, FailsWhenTheScaleIsNoNumber) {
    std::string raster = floatBytes({1, 1, 1});
    for (const char* scale : {"abc", ".", "-.", "0x", "+", "in", "infinite", "na"}) {
        SCOPED_TRACE(scale);
        expectFailedEmpty(std::string("PF\n1 1\n") + scale + "\n" + raster);
    }
    expectFailedEmpty("PF\n1 1\n");
    expectFailedEmpty("PF\n1 1\n   \n\t");
}

TEST(ReadPfm, SkipsExactlyOneByteAfterTheScale) {
    // Of the CR LF after the scale only the CR is skipped: the LF (0x0A) is
    // the first byte of the first float.
    const std::string firstFloat("\n\x00\x80\x3f", 4);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n1 1\n-1.0\r" + firstFloat + floatBytes({2.0f, 3.0f})), 1);
    float first;
    std::memcpy(&first, firstFloat.data(), sizeof first);
    EXPECT_EQ(image.rows[0][0], encoded(first, 2.0, 3.0));
}

TEST(ReadPfm, ReadsHeadersLaidOutInOtherWays) {
    std::vector<float> floats = testFloats(6);
    std::vector<RgbePixel> expected = flipped(encodedPixels(floats, 3), 1);
    for (const char* header :
         {"PF\n1 2\n-1\n", "PF 1 2 -1 ", "PF\r\n  +1\t\n 0002\n-1.0\n", "PFx1 2x-1x"}) {
        SCOPED_TRACE(header);
        RgbeImage image;
        ASSERT_EQ(readFrom(image, header + floatBytes(floats)), 1);
        EXPECT_EQ(pixelsOf(image), expected);
    }
}

TEST(ReadPfm, FailsForSizesThatAreNotPositiveInts) {
    std::string raster = floatBytes(testFloats(3));
    for (const char* size : {"0 1", "1 0", "-1 1", "1 -1", "x 1", "1 y", "- 1", "2147483648 1",
                             "1 99999999999999999999", "-2147483648 1"}) {
        SCOPED_TRACE(size);
        expectFailedEmpty(std::string("PF\n") + size + "\n-1.0\n" + raster);
    }
}

TEST(ReadPfm, FailsWithNoRowsWhenTheRasterIsOneByteShort) {
    std::string raster = floatBytes(testFloats(18));
    expectFailedEmpty("PF\n3 2\n-1.0\n" + raster.substr(0, 71));
    expectFailedEmpty("Pf\n3 2\n-1.0\n" + raster.substr(0, 23));

    // An earlier picture of the same size is not kept either.
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n3 2\n-1.0\n" + raster), 1);
    EXPECT_EQ(readFrom(image, "PF\n3 2\n-1.0\n" + raster.substr(0, 71)), 0);
    EXPECT_TRUE(image.empty());
}

TEST(ReadPfm, IgnoresBytesAfterTheLastRow) {
    std::vector<float> floats = testFloats(18);
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n3 2\n-1.0\n" + floatBytes(floats) + "more bytes"), 1);
    EXPECT_EQ(pixelsOf(image), flipped(encodedPixels(floats, 3), 3));
}

TEST(ReadPfm, TurnsTheFileUpsideDown) {
    // One float a row: file row k has the value k + 1.
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "Pf\n1 1\n-1\n" + floatBytes({1})), 1);
    EXPECT_EQ(image.rows[0][0], encoded(1, 1, 1));
    ASSERT_EQ(readFrom(image, "Pf\n1 4\n-1\n" + floatBytes({1, 2, 3, 4})), 1);
    for (uint32_t r = 0; r < 4; ++r) {
        double v = 4.0 - r;
        EXPECT_EQ(image.rows[r][0], encoded(v, v, v)) << r;
    }
    // The rows stay in block order.
    for (uint32_t r = 0; r < 4; ++r)
        EXPECT_EQ(image.rows[r], image.rows[0] + r);
}

TEST(ReadPfm, PassesSpecialValuesToTheEncoding) {
    float inf = INFINITY;
    float nan = NAN;
    RgbeImage image;
    ASSERT_EQ(readFrom(image, "PF\n2 1\n-1\n" + floatBytes({inf, 1, -2, nan, 0.5f, 0.25f})), 1);
    EXPECT_EQ(image.rows[0][0], encoded(inf, 1, -2));
    EXPECT_EQ(image.rows[0][1], encoded(nan, 0.5, 0.25));
}

TEST(ReadPfm, RefusesHugeClaimsOnATinyFileBeforeAllocating) {
    for (const char* size : {"65536 65536", "46341 46341", "65537 65536", "65536 32768",
                             "2147483647 2147483647", "1 2147483647"}) {
        SCOPED_TRACE(size);
        expectFailedEmpty(std::string("PF\n") + size + "\n-1.0\n" + floatBytes({1, 2, 3}));
        expectFailedEmpty(std::string("Pf\n") + size + "\n-1.0\n" + floatBytes({1, 2, 3}));
    }
}

TEST(ReadPfm, OpensFilesByName) {
    test::TempDir dir;
    std::vector<float> floats = testFloats(6);
    test::writeBytes(dir.file("a.pfm"), "PF\n2 1\n1.0\n" + floatBytes(floats, true));
    RgbeImage image;
    ASSERT_EQ(readPfm(image, dir.file("a.pfm")), 1);
    EXPECT_EQ(pixelsOf(image), encodedPixels(floats, 3));
    EXPECT_EQ(readPfm(image, dir.file("missing.pfm")), 0);
    EXPECT_TRUE(image.empty());
    test::writeBytes(dir.file("short.pfm"), "PF\n2 1\n1.0\n" + floatBytes(floats, true).substr(1));
    EXPECT_EQ(readPfm(image, dir.file("short.pfm")), 0);
    EXPECT_TRUE(image.empty());
}

}  // namespace
}  // namespace pellumir
