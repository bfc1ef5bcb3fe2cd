// Files that no code of ours wrote: ImageMagick's PFM and float TIFF,
// libtiff's own tiffcp, and raw floats and PFM from numpy. Each must read
// as exactly the pixels that encodeRgbe gives for the floats in it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "picture/formats/float_tiff.h"
#include "picture/formats/pfm.h"
#include "picture/formats/raw_float.h"
#include "readers/float_bytes.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::encodedPixels;
using test::pixelsOf;
using test::run;

// The native floats of a file of raw little-endian floats.
std::vector<float> floatsIn(const std::string& path) {
    std::string bytes = test::readBytes(path);
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

// The rows of `pixels`, `width` a row, in the opposite order.
std::vector<RgbePixel> upsideDown(const std::vector<RgbePixel>& pixels, uint32_t width) {
    std::vector<RgbePixel> result;
    for (size_t row = pixels.size() / width; row-- > 0;) {
        result.insert(result.end(), pixels.begin() + row * width,
                      pixels.begin() + (row + 1) * width);
    }
    return result;
}

constexpr uint32_t kWidth = 13;
constexpr uint32_t kHeight = 7;
constexpr const char* kFloatOutput = "-define quantum:format=floating-point -depth 32";

// One picture made by ImageMagick, in colour and in grey, with the floats
// it holds as ImageMagick's own raw output (top row first).
class ImageMagickFiles : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run("convert -version")) << "ImageMagick's convert is needed";
        ASSERT_TRUE(run("command -v tiffcp")) << "libtiff's tiffcp is needed";
        std::string out = std::string(" ") + kFloatOutput + " ";
        ASSERT_TRUE(run("convert -size 13x7 -seed 5 plasma: " + file("source.miff")));
        ASSERT_TRUE(run("convert " + file("source.miff") + out + file("colour.pfm")));
        ASSERT_TRUE(
            run("convert " + file("source.miff") + out + "-compress zip " + file("colour.tif")));
        ASSERT_TRUE(
            run("convert " + file("source.miff") + out + "-endian LSB rgb:" + file("colour.raw")));
        std::string toGrey = "convert " + file("source.miff") + " -colorspace gray" + out;
        ASSERT_TRUE(run(toGrey + file("grey.pfm")));
        ASSERT_TRUE(run(toGrey + "-compress zip " + file("grey.tif")));
        ASSERT_TRUE(run(toGrey + "-endian LSB gray:" + file("grey.raw")));

        std::vector<float> colour = floatsIn(file("colour.raw"));
        std::vector<float> grey = floatsIn(file("grey.raw"));
        ASSERT_EQ(colour.size(), size_t{kWidth} * kHeight * 3);
        ASSERT_EQ(grey.size(), size_t{kWidth} * kHeight);
        colourPixels = encodedPixels(colour, 3);
        greyPixels = encodedPixels(grey, 1);
        ASSERT_NE(colourPixels, greyPixels);
    }

    std::string file(const std::string& name) const { return dir.file(name); }

    void expectTiff(const std::string& name, const std::vector<RgbePixel>& expected) {
        SCOPED_TRACE(name);
        RgbeImage image;
        ASSERT_EQ(readFloatTiff(image, file(name)), 1);
        EXPECT_EQ(image.width, kWidth);
        EXPECT_EQ(pixelsOf(image), expected);
    }
    void expectTiffFails(const std::string& name, const std::string& why) {
        SCOPED_TRACE(name);
        RgbeImage image;
        FailureReason reason;
        EXPECT_EQ(readFloatTiff(image, file(name), &reason), 0);
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(reason.text(), why);
    }

    test::TempDir dir;
    std::vector<RgbePixel> colourPixels;
    std::vector<RgbePixel> greyPixels;
};

TEST_F(ImageMagickFiles, PfmReadsAsTheFloatsWritten) {
    EXPECT_EQ(test::readBytes(file("colour.pfm")).substr(0, 2), "PF");
    EXPECT_EQ(test::readBytes(file("grey.pfm")).substr(0, 2), "Pf");
    RgbeImage image;
    ASSERT_EQ(readPfm(image, file("colour.pfm")), 1);
    EXPECT_EQ(pixelsOf(image), colourPixels);
    ASSERT_EQ(readPfm(image, file("grey.pfm")), 1);
    EXPECT_EQ(pixelsOf(image), greyPixels);
}

TEST_F(ImageMagickFiles, FloatTiffReadsAsTheFloatsWritten) {
    expectTiff("colour.tif", colourPixels);
    expectTiff("grey.tif", greyPixels);
}

TEST_F(ImageMagickFiles, TiffcpCopiesReadAsTheOriginal) {
    struct Copy {
        const char* options;
        const char* name;
    };
    for (Copy c : {Copy{"-c none", "none.tif"}, Copy{"-c lzw", "lzw.tif"},
                   Copy{"-c zip:3", "predictor.tif"}, Copy{"-c packbits", "packbits.tif"},
                   // Big-endian only without the floating-point predictor:
                   // libtiff 4.5.0 writes that combination wrongly.
                   Copy{"-B -c none", "big.tif"}, Copy{"-B -c lzw:1", "big-lzw.tif"},
                   Copy{"-c none -r 1", "strips.tif"}, Copy{"-8 -c zip", "bigtiff.tif"}}) {
        ASSERT_TRUE(run(std::string("tiffcp ") + c.options + " " + file("colour.tif") + " " +
                        file(c.name)));
        expectTiff(c.name, colourPixels);
        std::string greyName = std::string("grey-") + c.name;
        ASSERT_TRUE(run(std::string("tiffcp ") + c.options + " " + file("grey.tif") + " " +
                        file(greyName)));
        expectTiff(greyName, greyPixels);
    }
}

TEST_F(ImageMagickFiles, OnlyTheFirstImageOfACombinedFileIsRead) {
    ASSERT_TRUE(
        run("tiffcp " + file("grey.tif") + " " + file("colour.tif") + " " + file("both.tif")));
    expectTiff("both.tif", greyPixels);
}

TEST_F(ImageMagickFiles, TiledAndPlanarCopiesReadAsTheOriginal) {
    ASSERT_TRUE(run("tiffcp -t -w 16 -l 16 " + file("colour.tif") + " " + file("tiled.tif")));
    ASSERT_TRUE(
        run("tiffcp -t -w 16 -l 32 -c zip " + file("grey.tif") + " " + file("grey-tiled.tif")));
    // tiffcp separates planes of 8-bit samples only.
    ASSERT_TRUE(run("convert " + file("source.miff") + " " + kFloatOutput +
                    " -compress zip -interlace plane " + file("planar.tif")));
    expectTiff("tiled.tif", colourPixels);
    expectTiff("grey-tiled.tif", greyPixels);
    expectTiff("planar.tif", colourPixels);
}

TEST_F(ImageMagickFiles, IntegerAndLogLuvTiffsFailWithTheirReason) {
    ASSERT_TRUE(
        run("convert " + file("source.miff") + " -depth 16 -compress zip " + file("16.tif")));
    ASSERT_TRUE(run("convert " + file("source.miff") +
                    " -define quantum:format=unsigned -depth 32 -compress zip " + file("32.tif")));
    ASSERT_TRUE(run("tiffcp -c sgilog " + file("colour.tif") + " " + file("logluv.tif")));
    expectTiffFails("16.tif", "TIFF files of 16-bit unsigned integer samples are not read");
    expectTiffFails("32.tif", "TIFF files of 32-bit unsigned integer samples are not read");
    expectTiffFails("logluv.tif", "LogLuv TIFF files are not read");
}

// numpy writes floats over a wide range, with the values as exact hex text.
TEST(NumpyFiles, RawFloatsAndPfmReadAsTheFloatsWritten) {
    test::TempDir dir;
    ASSERT_TRUE(run("/usr/bin/python3 -c 'import numpy'")) << "python3 with numpy is needed";
    const std::string script = R"(
import sys
import numpy as np
folder = sys.argv[1]
width, height = 11, 6
rng = np.random.default_rng(7)
colour = (2.0 ** rng.uniform(-30, 30, size=(height, width, 3))).astype(np.float32)
colour[0, 0] = 0.0
grey = (2.0 ** rng.uniform(-30, 30, size=(height, width))).astype(np.float32)
colour.astype('<f4').tofile(folder + '/colour-le.float')
grey.astype('>f4').tofile(folder + '/grey-be.float')
with open(folder + '/colour-be.pfm', 'wb') as f:
    f.write(b'PF\n%d %d\n1.0\n' % (width, height))
    f.write(colour.astype('>f4').tobytes())
with open(folder + '/grey-le.pfm', 'wb') as f:
    f.write(b'Pf\n%d %d\n-1.0\n' % (width, height))
    f.write(grey.astype('<f4').tobytes())
with open(folder + '/values.txt', 'w') as f:
    for v in list(colour.ravel()) + list(grey.ravel()):
        f.write(float(v).hex() + '\n')
)";
    test::writeBytes(dir.file("write.py"), script);
    ASSERT_TRUE(run("/usr/bin/python3 " + dir.file("write.py") + " " + dir.path()));

    constexpr uint32_t width = 11;
    constexpr uint32_t height = 6;
    std::vector<float> colour;
    std::vector<float> grey;
    std::istringstream values(test::readBytes(dir.file("values.txt")));
    for (std::string line; std::getline(values, line);) {
        auto& target = colour.size() < size_t{width} * height * 3 ? colour : grey;
        target.push_back(static_cast<float>(std::strtod(line.c_str(), nullptr)));
    }
    ASSERT_EQ(grey.size(), size_t{width} * height);
    // Both formats put the first row of the file at the bottom.
    std::vector<RgbePixel> colourPixels = upsideDown(encodedPixels(colour, 3), width);
    std::vector<RgbePixel> greyPixels = upsideDown(encodedPixels(grey, 1), width);

    RgbeImage image;
    ASSERT_EQ(readRawFloat(image, dir.file("colour-le.float"), width, height, 1, 0), 1);
    EXPECT_EQ(pixelsOf(image), colourPixels);
    ASSERT_EQ(readRawFloat(image, dir.file("grey-be.float"), width, height, 0, 1), 1);
    EXPECT_EQ(pixelsOf(image), greyPixels);
    ASSERT_EQ(readPfm(image, dir.file("colour-be.pfm")), 1);
    EXPECT_EQ(pixelsOf(image), colourPixels);
    ASSERT_EQ(readPfm(image, dir.file("grey-le.pfm")), 1);
    EXPECT_EQ(pixelsOf(image), greyPixels);
}

}  // namespace
}  // namespace pellumir
