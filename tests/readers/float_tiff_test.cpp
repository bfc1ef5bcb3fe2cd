#include "picture/formats/float_tiff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/picture_files.h"
#include "readers/float_bytes.h"
#include "readers/tiff_files.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::encoded;
using test::encodedPixels;
using test::handMadeTiff;
using test::nativeBytes;
using test::pixelsOf;
using test::testFloats;
using test::TiffEntry;
using test::TiffLayout;
using test::writeTiff;

// Reads the file both ways, by name and from memory, and insists that
// both give the same result and the same picture.
int readBothWays(RgbeImage& image, const std::string& path) {
    int fromFile = readFloatTiff(image, path);
    std::string bytes = test::readBytes(path);
    RgbeImage fromMemory;
    int inMemory = readFloatTiffFromMemory(
        fromMemory, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(fromFile, inMemory);
    EXPECT_EQ(pixelsOf(image), pixelsOf(fromMemory));
    return fromFile;
}

int readBytesFromMemory(RgbeImage& image, const std::string& bytes) {
    return readFloatTiffFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                   bytes.size());
}

class ReadFloatTiff : public testing::Test {
  protected:
    std::string write(const TiffLayout& layout, const std::vector<float>& floats,
                      const char* name = "a.tif") {
        std::string path = dir.file(name);
        EXPECT_TRUE(writeTiff(path, layout, {nativeBytes(floats)}));
        return path;
    }
    void expectFails(const std::string& path) {
        RgbeImage image;
        EXPECT_EQ(readBothWays(image, path), 0);
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.width, 0u);
    }

    test::TempDir dir;
};

TEST_F(ReadFloatTiff, ReadsColourTopRowFirst) {
    TiffLayout layout;
    layout.width = 5;
    layout.height = 3;
    std::vector<float> floats = testFloats(5 * 3 * 3);
    RgbeImage image;
    ASSERT_EQ(readBothWays(image, write(layout, floats)), 1);
    ASSERT_EQ(image.width, 5u);
    ASSERT_EQ(image.height, 3u);
    // No flip: the file's first scanline is row 0.
    EXPECT_EQ(pixelsOf(image), encodedPixels(floats, 3));
}

TEST_F(ReadFloatTiff, ReadsGreyAsThreeEqualColours) {
    TiffLayout layout;
    layout.width = 4;
    layout.height = 2;
    layout.samples = 1;
    std::vector<float> grey = testFloats(8);
    std::vector<float> colour;
    for (float v : grey)
        colour.insert(colour.end(), {v, v, v});
    RgbeImage greyImage;
    ASSERT_EQ(readBothWays(greyImage, write(layout, grey, "grey.tif")), 1);
    layout.samples = 3;
    RgbeImage colourImage;
    ASSERT_EQ(readBothWays(colourImage, write(layout, colour, "colour.tif")), 1);
    EXPECT_EQ(pixelsOf(greyImage), pixelsOf(colourImage));
    EXPECT_EQ(pixelsOf(greyImage), encodedPixels(grey, 1));
}

TEST_F(ReadFloatTiff, ReadsTheFirstThreeOfFourSamples) {
    TiffLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.samples = 4;
    std::vector<float> rgba = testFloats(3 * 2 * 4);
    std::vector<float> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    RgbeImage image;
    ASSERT_EQ(readBothWays(image, write(layout, rgba)), 1);
    EXPECT_EQ(pixelsOf(image), encodedPixels(rgb, 3));
}

TEST_F(ReadFloatTiff, ReadsOnlyTheFirstImageOfSeveral) {
    TiffLayout layout;
    layout.width = 2;
    layout.height = 2;
    std::vector<float> first = testFloats(12);
    std::vector<float> second(12, 5.0f);
    ASSERT_TRUE(
        writeTiff(dir.file("pages.tif"), layout, {nativeBytes(first), nativeBytes(second)}));
    RgbeImage image;
    ASSERT_EQ(readBothWays(image, dir.file("pages.tif")), 1);
    EXPECT_EQ(pixelsOf(image), encodedPixels(first, 3));
}

TEST_F(ReadFloatTiff, ReadsEitherByteOrderAndCompressedStrips) {
    TiffLayout layout;
    layout.width = 37;
    layout.height = 11;
    layout.rowsPerStrip = 4;
    std::vector<float> floats = testFloats(37 * 11 * 3);
    std::vector<RgbePixel> expected = encodedPixels(floats, 3);
    struct Case {
        const char* name;
        bool bigEndian;
        uint16_t compression;
        uint16_t predictor;
    };
    for (Case c : {Case{"big.tif", true, COMPRESSION_NONE, PREDICTOR_NONE},
                   Case{"lzw.tif", false, COMPRESSION_LZW, PREDICTOR_NONE},
                   Case{"zip.tif", true, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_NONE},
                   // Not big-endian: libtiff 4.5.0 writes big-endian files
                   // with this predictor wrongly.
                   Case{"predictor.tif", false, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_FLOATINGPOINT},
                   Case{"packbits.tif", false, COMPRESSION_PACKBITS, PREDICTOR_NONE}}) {
        SCOPED_TRACE(c.name);
        layout.bigEndian = c.bigEndian;
        layout.compression = c.compression;
        layout.predictor = c.predictor;
        RgbeImage image;
        ASSERT_EQ(readBothWays(image, write(layout, floats, c.name)), 1);
        EXPECT_EQ(pixelsOf(image), expected);
    }
}

TEST_F(ReadFloatTiff, ReadsHalfDoubleTiledAndPlanarFloats) {
    // Values every width of float holds exactly, over a wide range.
    std::vector<float> floats;
    for (size_t k = 0; k < 20 * 18 * 3; ++k)
        floats.push_back(
            std::ldexp(static_cast<float>(1 + k % 1000), static_cast<int>(k % 15) - 9));
    std::vector<RgbePixel> expected = encodedPixels(floats, 3);
    struct Case {
        const char* name;
        uint16_t bits;
        bool tiled;
        uint16_t planar;
        uint16_t compression;
    };
    for (Case c : {Case{"half", 16, false, PLANARCONFIG_CONTIG, COMPRESSION_NONE},
                   Case{"half, deflate", 16, false, PLANARCONFIG_CONTIG, COMPRESSION_ADOBE_DEFLATE},
                   Case{"double", 64, false, PLANARCONFIG_CONTIG, COMPRESSION_LZW},
                   Case{"tiled", 32, true, PLANARCONFIG_CONTIG, COMPRESSION_NONE},
                   Case{"tiled half", 16, true, PLANARCONFIG_CONTIG, COMPRESSION_ADOBE_DEFLATE},
                   Case{"tiled double", 64, true, PLANARCONFIG_CONTIG, COMPRESSION_NONE},
                   Case{"planes", 32, false, PLANARCONFIG_SEPARATE, COMPRESSION_NONE},
                   Case{"half planes", 16, false, PLANARCONFIG_SEPARATE, COMPRESSION_LZW}}) {
        SCOPED_TRACE(c.name);
        TiffLayout layout;
        layout.width = 20;
        layout.height = 18;
        layout.rowsPerStrip = 5;
        layout.bits = c.bits;
        layout.tiled = c.tiled;
        layout.planar = c.planar;
        layout.compression = c.compression;
        std::string bytes = c.bits == 16   ? test::nativeHalfBytes(floats)
                            : c.bits == 64 ? test::nativeDoubleBytes(floats)
                                           : nativeBytes(floats);
        ASSERT_TRUE(writeTiff(dir.file("odd.tif"), layout, {bytes}));
        RgbeImage image;
        ASSERT_EQ(readBothWays(image, dir.file("odd.tif")), 1);
        EXPECT_EQ(pixelsOf(image), expected);
    }
}

TEST_F(ReadFloatTiff, ReadsOneSampleWhateverThePlanarConfiguration) {
    std::vector<float> grey = {0.5f, 2.0f, 8.0f};
    for (uint32_t planar : {1u, 2u}) {
        std::string bytes =
            handMadeTiff(3, 1, nativeBytes(grey), {{262, 3, 1, 1}, {284, 3, 1, planar}}, 0, 1);
        RgbeImage image;
        ASSERT_EQ(readBytesFromMemory(image, bytes), 1);
        EXPECT_EQ(pixelsOf(image), encodedPixels(grey, 1));
    }
}

TEST_F(ReadFloatTiff, RefusesWhatIsNotPlainFloatsWithTheReason) {
    TiffLayout base;
    base.width = 20;
    base.height = 18;
    std::vector<float> floats = testFloats(20 * 18 * 4 * 2);
    struct Case {
        const char* reason;
        uint16_t bits;
        uint16_t format;
        uint16_t samples;
    };
    for (Case c :
         {Case{"TIFF files of 16-bit unsigned integer samples are not read", 16, SAMPLEFORMAT_UINT,
               3},
          Case{"TIFF files of 32-bit signed integer samples are not read", 32, SAMPLEFORMAT_INT, 3},
          Case{"TIFF files of 8-bit unsigned integer samples are not read", 8, SAMPLEFORMAT_UINT,
               1},
          Case{"TIFF files of 24-bit float samples are not read", 24, SAMPLEFORMAT_IEEEFP, 1},
          Case{"TIFF files of complex samples are not read", 64, SAMPLEFORMAT_COMPLEXIEEEFP, 1},
          Case{"TIFF files with 2 samples a pixel are not read", 32, SAMPLEFORMAT_IEEEFP, 2}}) {
        SCOPED_TRACE(c.reason);
        TiffLayout layout = base;
        layout.bits = c.bits;
        layout.format = c.format;
        layout.samples = c.samples;
        std::string path = write(layout, floats, "odd.tif");
        expectFails(path);
        RgbeImage image;
        FailureReason reason;
        EXPECT_EQ(readFloatTiff(image, path, &reason), 0);
        EXPECT_EQ(reason.text(), c.reason);
    }
    // Photometric interpretations other than grey and RGB.
    for (auto [photometric, text] : std::vector<std::pair<uint32_t, std::string>>{
             {32845, "LogLuv TIFF files are not read"},
             {32844, "LogLuv TIFF files are not read"},
             {5, "TIFF files of separated inks (CMYK) are not read"},
             {0, "TIFF files whose samples count from white (MinIsWhite) are not read"},
             {8, "CIE L*a*b* TIFF files are not read"}}) {
        SCOPED_TRACE(text);
        std::string bytes =
            handMadeTiff(2, 1, nativeBytes(testFloats(6)), {{262, 3, 1, photometric}});
        RgbeImage image;
        FailureReason reason;
        EXPECT_EQ(readFloatTiffFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size(), &reason),
                  0);
        EXPECT_EQ(reason.text(), text);
    }
}

TEST_F(ReadFloatTiff, FailsForFilesThatAreNoTiff) {
    test::writeBytes(dir.file("a.tif"), "PF\n1 1\n-1.0\n" + test::floatBytes({1, 2, 3}));
    expectFails(dir.file("a.tif"));
    test::writeBytes(dir.file("b.tif"), "just some text\n");
    expectFails(dir.file("b.tif"));
    test::writeBytes(dir.file("c.tif"), "");
    expectFails(dir.file("c.tif"));
    expectFails(dir.file("missing.tif"));
    FailureReason reason;
    RgbeImage picture;
    EXPECT_EQ(readFloatTiff(picture, dir.file("a.tif"), &reason), 0);
    EXPECT_EQ(reason.text(), "the file is not a TIFF file");
    reason.clear();
    EXPECT_EQ(readFloatTiff(picture, dir.file("missing.tif"), &reason), 0);
    EXPECT_EQ(reason.text(), "No such file or directory");
    RgbeImage image;
    EXPECT_EQ(readPicture(image, kindOfFile(dir.file("a.tif")), dir.file("a.tif")), 0);
    EXPECT_TRUE(image.empty());
}

TEST_F(ReadFloatTiff, FailsWhenAStripCannotBeDelivered) {
    // The second of two compressed strips cut off: the first rows were
    // readable, but the read as a whole fails.
    TiffLayout layout;
    layout.width = 64;
    layout.height = 8;
    layout.rowsPerStrip = 4;
    layout.compression = COMPRESSION_ADOBE_DEFLATE;
    std::vector<float> floats = testFloats(64 * 8 * 3);
    std::string path = write(layout, floats);
    RgbeImage image;
    ASSERT_EQ(readBothWays(image, path), 1);
    std::string bytes = test::readBytes(path);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint64_t secondStrip = TIFFGetStrileOffset(tiff, 1);
    TIFFClose(tiff);
    // Spoil the second strip's deflate stream.
    for (uint64_t i = secondStrip; i < secondStrip + 16 && i < bytes.size(); ++i)
        bytes[i] = '\xff';
    FailureReason reason;
    EXPECT_EQ(readFloatTiffFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                      bytes.size(), &reason),
              0);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(reason.text().rfind("scanline 4 cannot be decoded: ", 0), 0u) << reason.text();
}

TEST_F(ReadFloatTiff, TakesAMissingSamplesPerPixelAsOne) {
    std::vector<float> grey = {0.5f, 2.0f, 8.0f};
    std::string bytes = handMadeTiff(3, 1, nativeBytes(grey), {{262, 3, 1, 1}}, 277);
    RgbeImage image;
    ASSERT_EQ(readBytesFromMemory(image, bytes), 1);
    EXPECT_EQ(pixelsOf(image), encodedPixels(grey, 1));
}

TEST_F(ReadFloatTiff, TakesAMissingSampleFormatAsUnsignedIntegers) {
    // TIFF 6.0's default; GraphicsMagick writes 32-bit integers so.
    std::string bytes = handMadeTiff(2, 1, nativeBytes(testFloats(6)), {}, 339);
    RgbeImage image;
    FailureReason reason;
    EXPECT_EQ(readFloatTiffFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                      bytes.size(), &reason),
              0);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(reason.text(), "TIFF files of 32-bit unsigned integer samples are not read");
}

TEST_F(ReadFloatTiff, FailsForAZeroSizeOrNoBitsPerSample) {
    std::string raster = nativeBytes(testFloats(6));
    RgbeImage image;
    EXPECT_EQ(readBytesFromMemory(image, handMadeTiff(0, 1, raster)), 0);
    EXPECT_EQ(readBytesFromMemory(image, handMadeTiff(2, 0, raster)), 0);
    // BitsPerSample defaults to 1.
    EXPECT_EQ(readBytesFromMemory(image, handMadeTiff(2, 1, raster, {}, 258)), 0);
    EXPECT_TRUE(image.empty());
    // The same file with all its fields reads.
    EXPECT_EQ(readBytesFromMemory(image, handMadeTiff(2, 1, raster)), 1);
}

TEST_F(ReadFloatTiff, RefusesHugeClaimsOnATinyFileBeforeAllocating) {
    std::string raster = nativeBytes(testFloats(6));
    for (auto [width, height] : std::vector<std::pair<uint32_t, uint32_t>>{{65536, 65536},
                                                                           {46341, 46341},
                                                                           {65537, 65536},
                                                                           {65536, 32768},
                                                                           {0xffffffff, 0xffffffff},
                                                                           {1, 0xffffffff}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        RgbeImage image;
        std::string bytes = handMadeTiff(width, height, raster);
        FailureReason reason;
        EXPECT_EQ(readFloatTiffFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size(), &reason),
                  0);
        EXPECT_TRUE(image.empty());
        EXPECT_FALSE(reason.empty());
        // A strip for every row: the strip arrays alone would take gigabytes.
        EXPECT_EQ(readBytesFromMemory(image, handMadeTiff(width, height, raster, {{278, 4, 1, 1}})),
                  0);
        EXPECT_TRUE(image.empty());
    }
}

}  // namespace
}  // namespace pellumir
