// The tools' PNG files (through libpng) against an independent decoder,
// ImageMagick.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "make-resources/icon.h"
#include "make-resources/png_file.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::run;

// What a shell command prints; empty when it fails.
std::string outputOf(const std::string& command) {
    std::string text;
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return text;
    char buffer[256];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    return pclose(pipe) == 0 ? text : std::string();
}

std::string asString(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> randomBytes(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

TEST(EncodePng, RefusesPicturesWithoutPixelsOrWithTheWrongNumber) {
    RgbaPicture picture;
    EXPECT_TRUE(encodePng(picture).empty());
    picture.width = 2;
    picture.height = 2;
    picture.pixels.assign(15, 0);
    EXPECT_TRUE(encodePng(picture).empty());
    picture.pixels.assign(16, 0);
    EXPECT_FALSE(encodePng(picture).empty());
}

// Every icon, and a picture of noise and gradients that makes the encoder
// use each row filter, decode in ImageMagick to exactly the pixels drawn,
// as 8-bit RGBA.
TEST(EncodePng, WritesFilesImageMagickDecodesToTheSamePixels) {
    ASSERT_TRUE(run("identify -version")) << "ImageMagick is needed";
    std::vector<RgbaPicture> pictures;
    for (uint32_t size : kIconSizes)
        pictures.push_back(drawIcon(size));
    RgbaPicture mixed;
    mixed.width = 37;
    mixed.height = 23;
    mixed.pixels = randomBytes(size_t{37} * 23 * 4, 3);
    for (uint32_t y = 0; y < 23; y += 2) {
        for (uint32_t x = 0; x < 37 * 4; ++x)
            mixed.pixels[y * 37 * 4 + x] = static_cast<uint8_t>(x * y);
    }
    pictures.push_back(mixed);

    test::TempDir dir;
    for (const RgbaPicture& picture : pictures) {
        std::string size = std::to_string(picture.width) + "x" + std::to_string(picture.height);
        SCOPED_TRACE(size);
        std::string png = dir.file(size + ".png");
        ASSERT_TRUE(writePng(picture, png));
        std::string bytes = test::readBytes(png);
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(bytes[24], 8);  // bit depth
        EXPECT_EQ(bytes[25], 6);  // colour type: RGB with alpha

        EXPECT_EQ(outputOf("identify -format '%wx%h %[channels]' " + png), size + " srgba");
        std::string raw = dir.file("raw");
        ASSERT_TRUE(run("stream -map rgba -storage-type char " + png + " " + raw));
        EXPECT_TRUE(test::readBytes(raw) == asString(picture.pixels));
    }
}

}  // namespace
}  // namespace pellumir
