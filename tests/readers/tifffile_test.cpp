// Float TIFF files written by tifffile (python3), with the values it was
// given as exact hex text: half and double samples, tiles, separate planes,
// and the one-sample file with PlanarConfiguration 2 that libtiff's tiffset
// makes of a grey one. Each reads as encodeRgbe of the values written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "picture/formats/float_tiff.h"
#include "readers/float_bytes.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::encodedPixels;
using test::pixelsOf;
using test::run;

constexpr const char* kScript = R"(
import sys
import numpy as np
import tifffile
folder = sys.argv[1]
rng = np.random.default_rng(11)
# Values a half holds exactly: 11 significant bits, exponents -14 to 15.
mantissa = rng.integers(1024, 2048, size=(37, 29, 3))
exponent = rng.integers(-24, 5, size=(37, 29, 3))
colour = np.ldexp(mantissa.astype(np.float64), exponent)
colour[0, 0] = 0.0
grey = colour[:, :, 1].copy()
def save(name, data, dtype, **options):
    tifffile.imwrite(folder + '/' + name, data.astype(dtype), **options)
save('half.tif', colour, np.float16, photometric='rgb')
save('half-zip.tif', colour, np.float16, photometric='rgb', compression='zlib')
save('double.tif', colour, np.float64, photometric='rgb')
save('double-zip.tif', colour, np.float64, photometric='rgb', compression='zlib')
save('tiled.tif', colour, np.float32, photometric='rgb', tile=(16, 16))
save('tiled-half.tif', colour, np.float16, photometric='rgb', tile=(16, 32), compression='zlib')
# Separate planes are given plane after plane.
planes = np.moveaxis(colour, 2, 0)
save('planes.tif', planes, np.float32, photometric='rgb', planarconfig='separate')
save('tiled-planes.tif', planes, np.float64, photometric='rgb', planarconfig='separate',
     tile=(16, 16), compression='zlib')
save('grey-tiled.tif', grey, np.float16, photometric='minisblack', tile=(32, 16))
save('grey.tif', grey, np.float32, photometric='minisblack')
save('uint32.tif', grey, np.uint32, photometric='minisblack')
save('int16.tif', grey, np.int16, photometric='minisblack')
with open(folder + '/values.txt', 'w') as f:
    for v in list(colour.ravel()) + list(grey.ravel()):
        f.write(float(v).hex() + '\n')
)";

TEST(TifffileFiles, ReadAsTheValuesWrittenOrFailWithTheirReason) {
    test::TempDir dir;
    if (!run("/usr/bin/python3 -c 'import tifffile, numpy'")) {
        GTEST_SKIP() << "python3 with tifffile and numpy is needed";
    }
    test::writeBytes(dir.file("write.py"), kScript);
    ASSERT_TRUE(run("/usr/bin/python3 " + dir.file("write.py") + " " + dir.path()));
    ASSERT_TRUE(run("cp " + dir.file("grey.tif") + " " + dir.file("grey-planar.tif")));
    ASSERT_TRUE(run("tiffset -s 284 2 " + dir.file("grey-planar.tif")))
        << "libtiff's tiffset is needed";

    constexpr size_t width = 29;
    constexpr size_t height = 37;
    std::vector<float> colour;
    std::vector<float> grey;
    std::istringstream values(test::readBytes(dir.file("values.txt")));
    for (std::string line; std::getline(values, line);) {
        auto& target = colour.size() < width * height * 3 ? colour : grey;
        target.push_back(static_cast<float>(std::strtod(line.c_str(), nullptr)));
    }
    ASSERT_EQ(grey.size(), width * height);
    const std::vector<RgbePixel> colourPixels = encodedPixels(colour, 3);
    const std::vector<RgbePixel> greyPixels = encodedPixels(grey, 1);

    for (const char* name : {"half.tif", "half-zip.tif", "double.tif", "double-zip.tif",
                             "tiled.tif", "tiled-half.tif", "planes.tif", "tiled-planes.tif"}) {
        SCOPED_TRACE(name);
        RgbeImage image;
        ASSERT_EQ(readFloatTiff(image, dir.file(name)), 1);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(pixelsOf(image), colourPixels);
    }
    for (const char* name : {"grey.tif", "grey-tiled.tif", "grey-planar.tif"}) {
        SCOPED_TRACE(name);
        RgbeImage image;
        ASSERT_EQ(readFloatTiff(image, dir.file(name)), 1);
        EXPECT_EQ(pixelsOf(image), greyPixels);
    }
    // tifffile puts the directory first: cut short in the tiles, the file
    // still opens and says where it ends.
    std::string tiled = test::readBytes(dir.file("tiled-half.tif"));
    test::writeBytes(dir.file("short.tif"), tiled.substr(0, tiled.size() * 3 / 5));
    RgbeImage cut;
    FailureReason why;
    EXPECT_EQ(readFloatTiff(cut, dir.file("short.tif"), &why), 0);
    EXPECT_TRUE(cut.empty());
    EXPECT_EQ(why.text().rfind("the file ends in scanline ", 0), 0u) << why.text();

    // tifffile leaves SampleFormat out for unsigned integers, as TIFF 6.0 allows.
    for (auto [name, text] : {std::pair{"uint32.tif",
                                        "TIFF files of 32-bit unsigned integer "
                                        "samples are not read"},
                              std::pair{"int16.tif",
                                        "TIFF files of 16-bit signed integer "
                                        "samples are not read"}}) {
        SCOPED_TRACE(name);
        RgbeImage image;
        FailureReason reason;
        EXPECT_EQ(readFloatTiff(image, dir.file(name), &reason), 0);
        EXPECT_EQ(reason.text(), text);
    }
}

}  // namespace
}  // namespace pellumir
