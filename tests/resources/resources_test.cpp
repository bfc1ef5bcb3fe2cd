// The committed resources/ folder: the files must be exactly what
// make-resources draws now, and be what the program's Qt side expects.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "make-resources/about_picture.h"
#include "make-resources/icon.h"
#include "make-resources/resource_files.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

std::string committed(const std::string& name) {
    const char* source = std::getenv("PELLUMIR_SOURCE_DIR");
    return std::string(source ? source : ".") + "/resources/" + name;
}

uint32_t littleEndian(const std::string& bytes, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

// Catches a change to the scene, the display code or the drawing that was
// not followed by `cmake --build BUILD --target resources`.
TEST(CommittedResources, AreWhatTheToolMakesNow) {
    test::TempDir dir;
    ASSERT_EQ(makeResources(dir.path()), "");
    for (const std::string& name : resourceFileNames()) {
        SCOPED_TRACE(name);
        std::string fresh = test::readBytes(dir.file(name));
        ASSERT_FALSE(fresh.empty());
        EXPECT_TRUE(test::readBytes(committed(name)) == fresh)
            << "resources/" << name << " is stale: run cmake --build BUILD --target resources";
    }
}

TEST(CommittedResources, AboutPictureIsAnUncompressed24BitBmpOf300By162) {
    std::string bmp = test::readBytes(committed("about-134.bmp"));
    constexpr uint32_t kRowBytes = 300 * 3;  // already a multiple of 4
    ASSERT_EQ(bmp.size(), 54u + kRowBytes * 162);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(littleEndian(bmp, 2, 4), bmp.size());
    EXPECT_EQ(littleEndian(bmp, 10, 4), 54u);  // pixels right after the headers
    EXPECT_EQ(littleEndian(bmp, 14, 4), 40u);
    EXPECT_EQ(littleEndian(bmp, 18, 4), 300u);
    EXPECT_EQ(littleEndian(bmp, 22, 4), 162u);  // positive: bottom-up rows
    EXPECT_EQ(littleEndian(bmp, 26, 2), 1u);
    EXPECT_EQ(littleEndian(bmp, 28, 2), 24u);
    EXPECT_EQ(littleEndian(bmp, 30, 4), 0u);  // no compression
}

// The picture is there to show a high dynamic range: blazing bulbs and
// near-black shadows in one frame. One stop brighter loses the shadows, one
// stop darker the highlights, and either fails here.
TEST(CommittedResources, AboutPictureShowsBrightLampsAndDeepShadows) {
    std::string bmp = test::readBytes(committed("about-134.bmp"));
    ASSERT_EQ(bmp.size(), 54u + 300 * 3 * 162);
    int white = 0;
    int black = 0;
    for (size_t at = 54; at + 3 <= bmp.size(); at += 3) {
        auto b = static_cast<uint8_t>(bmp[at]);
        auto g = static_cast<uint8_t>(bmp[at + 1]);
        auto r = static_cast<uint8_t>(bmp[at + 2]);
        if (std::min({r, g, b}) >= 250) ++white;
        if (std::max({r, g, b}) < 32) ++black;
    }
    EXPECT_GE(white, 500);
    EXPECT_GE(black, 150);
}

TEST(Icon, IsTransparentOutsideItsTileOpaqueInsideAndLitAtEverySize) {
    for (uint32_t size : kIconSizes) {
        SCOPED_TRACE(size);
        RgbaPicture icon = drawIcon(size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        ASSERT_EQ(icon.pixels.size(), size_t{size} * size * 4);
        auto alphaAt = [&](uint32_t x, uint32_t y) {
            return icon.pixels[(size_t{y} * size + x) * 4 + 3];
        };
        EXPECT_EQ(alphaAt(0, 0), 0);
        EXPECT_EQ(alphaAt(size - 1, size - 1), 0);
        EXPECT_EQ(alphaAt(size / 2, size / 2), 255);
        EXPECT_EQ(alphaAt(size / 2, size * 7 / 8), 255);
        // The bulb must read even at 16 pixels: some opaque pixel near white.
        bool lit = false;
        for (size_t at = 0; at < icon.pixels.size(); at += 4) {
            lit = lit || (icon.pixels[at] >= 240 && icon.pixels[at + 1] >= 230 &&
                          icon.pixels[at + 3] == 255);
        }
        EXPECT_TRUE(lit);
    }
}

// Each size is drawn for itself, not scaled from another: the 16-pixel icon
// has its bulb as a sharp block of full white pixels, which a reduction of
// the large one would smear.
TEST(Icon, DrawsTheSmallestSizeWithASharpBulb) {
    RgbaPicture icon = drawIcon(16);
    ASSERT_EQ(icon.pixels.size(), 16u * 16 * 4);
    int brightest = 0;
    for (size_t at = 0; at < icon.pixels.size(); at += 4) {
        if (icon.pixels[at] >= 250 && icon.pixels[at + 1] >= 245) ++brightest;
    }
    EXPECT_GE(brightest, 2);
    EXPECT_TRUE(drawIcon(0).pixels.empty());
}

}  // namespace
}  // namespace pellumir
