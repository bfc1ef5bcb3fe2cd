// Radiance files crossing over to and from ImageMagick, an independent
// reader and writer of the format.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "picture/formats/radiance.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

using test::run;

// ImageMagick's view of a Radiance file: 16-bit linear values clamped to
// [0, 1], three per pixel. "-set colorspace sRGB" relabels the linear data
// so that it is written out without a gamma conversion.
std::vector<double> magickValues(const TempDir& dir, const std::string& hdr) {
    std::string raw = dir.file("magick.rgb");
    EXPECT_TRUE(
        run("convert '" + hdr + "' -set colorspace sRGB -depth 16 -endian LSB 'rgb:" + raw + "'"));
    std::string bytes = test::readBytes(raw);
    std::vector<double> values;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto lo = static_cast<uint8_t>(bytes[i]);
        auto hi = static_cast<uint8_t>(bytes[i + 1]);
        values.push_back((hi << 8 | lo) / 65535.0);
    }
    return values;
}

// Every channel of the picture agrees with ImageMagick's value within one
// mantissa step of its pixel (ImageMagick decodes m / 256 where we decode
// (m + 0.5) / 256) and one 16-bit step.
void expectAgreement(const RgbeImage& image, const std::vector<double>& magick) {
    ASSERT_EQ(magick.size(), size_t{image.width} * image.height * 3);
    for (uint32_t r = 0; r < image.height; ++r) {
        for (uint32_t c = 0; c < image.width; ++c) {
            RgbePixel p = image.rows[r][c];
            RgbColour ours = decodeRgbe(p);
            double step = std::ldexp(1.0, int{p.exponent} - 136) + 1.0 / 65535;
            const double* theirs = &magick[(size_t{r} * image.width + c) * 3];
            ASSERT_NEAR(std::min(ours.red, 1.0), theirs[0], step) << r << "," << c;
            ASSERT_NEAR(std::min(ours.green, 1.0), theirs[1], step) << r << "," << c;
            ASSERT_NEAR(std::min(ours.blue, 1.0), theirs[2], step) << r << "," << c;
        }
    }
}

TEST(RadianceInterop, ReadsARunLengthFileWrittenByImageMagick) {
    TempDir dir;
    std::string hdr = dir.file("magick.hdr");
    ASSERT_TRUE(run("convert -seed 7 -size 67x33 plasma: '" + hdr + "'"));
    // ImageMagick writes new run-length scanlines: the pixel data opens with 2, 2.
    std::string bytes = test::readBytes(hdr);
    size_t data = bytes.find("\n", bytes.find("\n\n") + 2) + 1;
    ASSERT_EQ(bytes.substr(data, 2), "\x02\x02");

    RgbeImage image;
    ASSERT_EQ(readRadiance(image, hdr), 1);
    EXPECT_EQ(image.width, 67u);
    EXPECT_EQ(image.height, 33u);
    expectAgreement(image, magickValues(dir, hdr));
}

TEST(RadianceInterop, WritesFilesThatImageMagickReadsBack) {
    TempDir dir;
    std::mt19937 random(11);
    for (uint32_t width : {5u, 8u, 300u}) {
        SCOPED_TRACE(width);
        RgbeImage image;
        image.allocate(width, 17);
        for (uint32_t i = 0; i < width * 17; ++i) {
            // Flat stretches and noise, all within ImageMagick's [0, 1].
            if (i % 5 != 0 && i > 0) {
                image.pixels()[i] = image.pixels()[i - 1];
            } else {
                encodeRgbe(image.pixels()[i], random() % 1000 / 1000.0, random() % 1000 / 4000.0,
                           random() % 1000 / 100000.0);
            }
        }
        std::string hdr = dir.file("ours.hdr");
        ASSERT_EQ(writeRadiance(image, hdr), 1);
        expectAgreement(image, magickValues(dir, hdr));
    }
}

}  // namespace
}  // namespace pellumir
