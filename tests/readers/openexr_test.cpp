// OpenEXR files that no code of ours wrote: oiiotool (OpenImageIO) and
// OpenEXR's own exrmaketiled and exrmultipart, made at run time from
// pictures whose values numpy chose (values a half holds exactly, so that
// every lossless file holds them unchanged). Each file must read as
// encodeRgbe of those values; lossy ones as oiiotool's own decoding of them.

#include "picture/formats/openexr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/picture_files.h"
#include "io/read_progress.h"
#include "picture/formats/float_tiff.h"
#include "readers/float_bytes.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::encodedPixels;
using test::pixelsOf;
using test::run;

// Two pictures, `colour` and `other`, as PFM files with their top row first
// in the values file; PFM files keep their bottom row first, hence flipud.
constexpr const char* kScript = R"(
import sys
import numpy as np
folder = sys.argv[1]
rng = np.random.default_rng(23)
def picture(height, width):
    mantissa = rng.integers(1024, 2048, size=(height, width, 3))
    exponent = rng.integers(-24, 5, size=(height, width, 3))
    return np.ldexp(mantissa.astype(np.float64), exponent).astype(np.float32)
def save(name, data):
    with open(folder + '/' + name, 'wb') as f:
        f.write(b'PF\n%d %d\n-1.0\n' % (data.shape[1], data.shape[0]))
        f.write(np.flipud(data).astype('<f4').tobytes())
colour = picture(37, 29)
other = picture(37, 29)
save('colour.pfm', colour)
save('other.pfm', other)
with open(folder + '/values.txt', 'w') as f:
    for v in list(colour.ravel()) + list(other.ravel()):
        f.write(float(v).hex() + '\n')
)";

constexpr uint32_t kWidth = 29;
constexpr uint32_t kHeight = 37;

class OpenExrFiles : public testing::Test {
  protected:
    void SetUp() override {
        if (!run("command -v oiiotool") || !run("command -v exrmaketiled") ||
            !run("command -v exrmultipart") || !run("/usr/bin/python3 -c 'import numpy'")) {
            GTEST_SKIP() << "oiiotool, OpenEXR's tools and python3 with numpy are needed";
        }
        test::writeBytes(file("write.py"), kScript);
        ASSERT_TRUE(run("/usr/bin/python3 " + file("write.py") + " " + dir.path()));
        std::vector<float> colour;
        std::vector<float> other;
        std::istringstream values(test::readBytes(file("values.txt")));
        for (std::string line; std::getline(values, line);) {
            auto& target = colour.size() < size_t{kWidth} * kHeight * 3 ? colour : other;
            target.push_back(static_cast<float>(std::strtod(line.c_str(), nullptr)));
        }
        ASSERT_EQ(other.size(), size_t{kWidth} * kHeight * 3);
        colourPixels = encodedPixels(colour, 3);
        otherPixels = encodedPixels(other, 3);
        std::vector<float> grey;
        for (size_t i = 0; i < colour.size(); i += 3)
            grey.push_back(colour[i + 1]);
        greenPixels = encodedPixels(grey, 1);
    }

    std::string file(const std::string& name) const { return dir.file(name); }

    // Runs oiiotool with the arguments; the output file is the last.
    void oiiotool(const std::string& arguments) {
        ASSERT_TRUE(run("cd " + dir.path() + " && oiiotool " + arguments)) << arguments;
    }

    void expectExr(const std::string& name, const std::vector<RgbePixel>& expected) {
        SCOPED_TRACE(name);
        RgbeImage image;
        FailureReason reason;
        ASSERT_EQ(readOpenExr(image, file(name), &reason), 1) << reason.text();
        EXPECT_EQ(image.width, kWidth);
        EXPECT_EQ(image.height, kHeight);
        EXPECT_EQ(pixelsOf(image), expected);
        // The same from memory.
        std::string bytes = test::readBytes(file(name));
        RgbeImage fromMemory;
        ASSERT_EQ(readOpenExrFromMemory(fromMemory, reinterpret_cast<const uint8_t*>(bytes.data()),
                                        bytes.size()),
                  1);
        EXPECT_EQ(pixelsOf(fromMemory), expected);
    }

    std::string failure(const std::string& name) {
        RgbeImage image;
        FailureReason reason;
        EXPECT_EQ(readOpenExr(image, file(name), &reason), 0) << name;
        EXPECT_TRUE(image.empty());
        return reason.text();
    }

    test::TempDir dir;
    std::vector<RgbePixel> colourPixels;
    std::vector<RgbePixel> otherPixels;
    std::vector<RgbePixel> greenPixels;
};

TEST_F(OpenExrFiles, EveryLosslessCompressionReadsAsTheValuesWritten) {
    for (std::string compression : {"none", "rle", "zips", "zip", "piz", "pxr24"}) {
        oiiotool("colour.pfm -d half --compression " + compression + " -o half-" + compression +
                 ".exr");
        expectExr("half-" + compression + ".exr", colourPixels);
    }
    for (std::string compression : {"none", "zip", "piz"}) {
        oiiotool("colour.pfm -d float --compression " + compression + " -o float-" + compression +
                 ".exr");
        expectExr("float-" + compression + ".exr", colourPixels);
    }
}

TEST_F(OpenExrFiles, LossyCompressionsReadAsOpenExrDecodesThem) {
    for (std::string compression : {"b44", "b44a", "dwaa", "dwab"}) {
        SCOPED_TRACE(compression);
        std::string name = "lossy-" + compression;
        oiiotool("colour.pfm -d half --compression " + compression + " -o " + name + ".exr");
        oiiotool(name + ".exr -d float --compression none -o " + name + ".tif");
        RgbeImage decoded;
        ASSERT_EQ(readFloatTiff(decoded, file(name + ".tif")), 1);
        expectExr(name + ".exr", pixelsOf(decoded));
    }
}

TEST_F(OpenExrFiles, TiledMipmappedAndMultiPartFilesReadTheirFirstPicture) {
    oiiotool("colour.pfm -d half --tile 16 16 --compression zip -o tiled.exr");
    expectExr("tiled.exr", colourPixels);
    oiiotool("colour.pfm -d float --tile 64 8 --compression piz -o wide-tiles.exr");
    expectExr("wide-tiles.exr", colourPixels);
    oiiotool("colour.pfm -d half -o plain.exr");
    oiiotool("other.pfm -d half -o other.exr");
    // exrmaketiled makes the smaller levels too; only the first is read.
    ASSERT_TRUE(run("exrmaketiled -m -t 16 16 " + file("plain.exr") + " " + file("mipmap.exr")));
    expectExr("mipmap.exr", colourPixels);
    ASSERT_TRUE(run("exrmaketiled -r -t 8 8 " + file("plain.exr") + " " + file("ripmap.exr")));
    expectExr("ripmap.exr", colourPixels);
    ASSERT_TRUE(run("exrmultipart -combine -i " + file("plain.exr") + " " + file("other.exr") +
                    " -o " + file("two-parts.exr")));
    expectExr("two-parts.exr", colourPixels);
    ASSERT_TRUE(run("exrmultipart -combine -i " + file("other.exr") + " " + file("plain.exr") +
                    " -o " + file("other-first.exr")));
    expectExr("other-first.exr", otherPixels);
}

TEST_F(OpenExrFiles, ChannelsAreChosenAsColourGreyOrTheFirstLayer) {
    // Alpha and the data window's place are no part of the picture.
    oiiotool("colour.pfm --ch R,G,B,A=0.25 -d half -o alpha.exr");
    expectExr("alpha.exr", colourPixels);
    oiiotool("colour.pfm --origin +10+20 -d float -o shifted.exr");
    expectExr("shifted.exr", colourPixels);
    oiiotool("colour.pfm --ch G --chnames Y -d half -o grey.exr");
    expectExr("grey.exr", greenPixels);
    // Layers without plain R, G, B: "albedo" comes before "diffuse".
    oiiotool(
        "other.pfm --chnames diffuse.R,diffuse.G,diffuse.B colour.pfm "
        "--chnames albedo.R,albedo.G,albedo.B --chappend -d half -o layers.exr");
    expectExr("layers.exr", colourPixels);
    // Plain R, G, B win over any layer.
    oiiotool(
        "other.pfm --chnames albedo.R,albedo.G,albedo.B colour.pfm --chappend -d half "
        "-o plain-and-layer.exr");
    expectExr("plain-and-layer.exr", colourPixels);
    oiiotool("colour.pfm --ch R --chnames Z -d float -o depth.exr");
    EXPECT_EQ(failure("depth.exr"), "the OpenEXR file has no R, G and B channels and no Y channel");
}

TEST_F(OpenExrFiles, UnsignedIntegerChannelsReadAsTheirValues) {
    oiiotool("colour.pfm -d uint32 -o uint.exr");
    // oiiotool prints the integers it stored: "Pixel (0, 0): r g b (...)".
    std::string dump = file("dump.txt");
    ASSERT_EQ(std::system(("oiiotool --dumpdata " + file("uint.exr") + " > " + dump).c_str()), 0);
    std::istringstream lines(test::readBytes(dump));
    std::vector<float> values;
    for (std::string line; std::getline(lines, line);) {
        size_t colon = line.find("): ");
        if (line.find("Pixel (") == std::string::npos || colon == std::string::npos) continue;
        std::istringstream numbers(line.substr(colon + 3));
        for (int k = 0; k < 3; ++k) {
            double v = 0;
            numbers >> v;
            values.push_back(static_cast<float>(v));
        }
    }
    ASSERT_EQ(values.size(), size_t{kWidth} * kHeight * 3);
    expectExr("uint.exr", encodedPixels(values, 3));
}

TEST_F(OpenExrFiles, DamagedFilesFailWithTheirReason) {
    oiiotool("colour.pfm -d half --compression zip -o good.exr");
    std::string bytes = test::readBytes(file("good.exr"));
    test::writeBytes(file("short.exr"), bytes.substr(0, bytes.size() * 3 / 5));
    EXPECT_EQ(failure("short.exr"), "the file ends in scanline 16");

    // The second chunk's leader names the wrong scanline.
    uint64_t second = 0;
    size_t table = bytes.size();
    for (size_t at = 0; at + 24 <= bytes.size(); ++at) {
        // The offset table follows the header: three ascending offsets,
        // the first one just after the table itself.
        uint64_t first;
        std::memcpy(&first, bytes.data() + at, 8);
        if (first == at + 24) {
            table = at;
            std::memcpy(&second, bytes.data() + at + 8, 8);
            break;
        }
    }
    ASSERT_LT(table, bytes.size());
    std::string leader = bytes;
    int32_t wrong = 999;
    std::memcpy(&leader[second], &wrong, sizeof wrong);
    test::writeBytes(file("leader.exr"), leader);
    EXPECT_EQ(failure("leader.exr").rfind("scanline 16 cannot be decoded: ", 0), 0u);

    // A data window of 65536 x 65536 in a file of a few kilobytes.
    std::string huge = bytes;
    size_t window = huge.find(std::string("dataWindow\0box2i\0", 17));
    ASSERT_NE(window, std::string::npos);
    int32_t corner[2] = {65535, 65535};
    std::memcpy(&huge[window + 17 + 4 + 8], corner, sizeof corner);
    test::writeBytes(file("huge.exr"), huge);
    EXPECT_EQ(failure("huge.exr"), "the header claims 65536 × 65536 pixels but the file holds " +
                                       std::to_string(huge.size()) + " bytes");

    test::writeBytes(file("text.exr"), "not a picture at all");
    EXPECT_EQ(failure("text.exr"), "the file is not an OpenEXR file");
    EXPECT_EQ(failure("missing.exr"), "No such file or directory");
    // A header cut short inside its attributes.
    test::writeBytes(file("header.exr"), bytes.substr(0, 40));
    EXPECT_EQ(failure("header.exr").rfind("the OpenEXR header cannot be read", 0), 0u);
}

TEST_F(OpenExrFiles, ReportsProgressAndStopsWhenTheWatcherSaysSo) {
    oiiotool("colour.pfm -d half --compression zip -o progress.exr");
    std::vector<uint64_t> seen;
    {
        ReadProgressWatch watch([&](uint64_t done, uint64_t total) {
            seen.push_back(done);
            return total == 3;  // 37 rows in chunks of 16
        });
        expectExr("progress.exr", colourPixels);
    }
    EXPECT_FALSE(seen.empty());
    ReadProgressWatch stop([](uint64_t, uint64_t) { return false; });
    EXPECT_EQ(failure("progress.exr"), "the reading was stopped");
}

// A library sizes an attribute's value from its claim: a string claiming
// 1879048303 bytes in a file of a few dozen (as a fuzzer once made) must be
// refused before any library asks for them.
TEST(OpenExrHeader, AnAttributeClaimingMoreThanTheFileHoldsIsRefused) {
    std::string bytes("v/1\x01\x02\0\0\0comments\0string\0", 24);
    int32_t claim = 1879048303;
    bytes.append(reinterpret_cast<const char*>(&claim), sizeof claim);
    bytes += "abcd";
    test::TempDir dir;
    test::writeBytes(dir.file("claim.exr"), bytes);
    const std::string expected =
        "the OpenEXR header cannot be read: its attribute comments claims 1879048303 bytes, "
        "and only 4 are left in the file";
    RgbeImage image;
    FailureReason reason;
    EXPECT_EQ(readOpenExr(image, dir.file("claim.exr"), &reason), 0);
    EXPECT_EQ(reason.text(), expected);
    FailureReason fromMemory;
    EXPECT_EQ(readOpenExrFromMemory(image, reinterpret_cast<const uint8_t*>(bytes.data()),
                                    bytes.size(), &fromMemory),
              0);
    EXPECT_EQ(fromMemory.text(), expected);
    EXPECT_TRUE(image.empty());
}

TEST(OpenExrDispatch, TheExtensionExrInAnyCaseIsOpenExr) {
    EXPECT_EQ(kindOfFile("a.exr"), PictureKind::openExr);
    EXPECT_EQ(kindOfFile("/some.where/B.EXR"), PictureKind::openExr);
    EXPECT_EQ(kindOfFile("c.Exr"), PictureKind::openExr);
    EXPECT_EQ(kindOfFile("d.exr.gz"), PictureKind::unknown);
}

}  // namespace
}  // namespace pellumir
