// Our PNG encoder against independent decoders: Python's zlib for the
// compressed stream, ImageMagick for whole files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "make-resources/deflate.h"
#include "make-resources/icon.h"
#include "make-resources/png_file.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

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

TEST(Checksums, MatchTheirPublishedCheckValues) {
    const std::string digits = "123456789";
    auto* data = reinterpret_cast<const uint8_t*>(digits.data());
    EXPECT_EQ(crc32(data, digits.size()), 0xCBF43926u);
    EXPECT_EQ(crc32(nullptr, 0), 0u);
    const std::string word = "Wikipedia";
    EXPECT_EQ(adler32(reinterpret_cast<const uint8_t*>(word.data()), word.size()), 0x11E60398u);
    // Large enough for the sums to wrap the modulus many times.
    std::vector<uint8_t> ones(100000, 0xFF);
    EXPECT_EQ(adler32(ones.data(), ones.size()), 0x149A302Cu);
}

// Inputs that reach every kind of code: nothing at all, literals of both
// code lengths, the longest match, runs far longer than it, and a block
// repeated from just inside, at and beyond the farthest distance allowed.
TEST(ZlibCompress, GivesStreamsThatZlibInflatesToTheInput) {
    ASSERT_TRUE(run("python3 -c 'import zlib'")) << "python3 is needed";
    std::vector<std::vector<uint8_t>> inputs;
    inputs.push_back({});
    inputs.push_back({0x90});
    inputs.push_back(randomBytes(70000, 1));
    inputs.push_back(std::vector<uint8_t>(300000, 7));
    for (size_t gap : {32767u, 32768u, 32769u}) {
        std::vector<uint8_t> block = randomBytes(gap, 2);
        std::vector<uint8_t> input = block;
        input.insert(input.end(), block.begin(), block.begin() + 1000);
        inputs.push_back(input);
    }
    std::vector<uint8_t> mixed;
    for (int i = 0; i < 5000; ++i) {
        mixed.push_back(static_cast<uint8_t>(i % 7));
        if (i % 97 == 0) mixed.push_back(static_cast<uint8_t>(i));
    }
    inputs.push_back(mixed);

    test::TempDir dir;
    for (size_t k = 0; k < inputs.size(); ++k) {
        SCOPED_TRACE(k);
        const std::vector<uint8_t>& input = inputs[k];
        std::vector<uint8_t> stream = zlibCompress(input.data(), input.size());
        test::writeBytes(dir.file("stream"), asString(stream));
        ASSERT_TRUE(
            run("python3 -c 'import sys, zlib; "
                "open(sys.argv[2], \"wb\").write(zlib.decompress(open(sys.argv[1], "
                "\"rb\").read()))' " +
                dir.file("stream") + " " + dir.file("inflated")));
        EXPECT_TRUE(test::readBytes(dir.file("inflated")) == asString(input));
    }
    // Repetition must actually be found, or the icons would not shrink.
    std::vector<uint8_t> run300k(300000, 7);
    EXPECT_LT(zlibCompress(run300k.data(), run300k.size()).size(), 3000u);
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
