#include "viewer/stretch_blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "viewer/framebuffer_canvas.h"
#include "viewer/image_window.h"
#include "viewer/recording_host.h"

namespace pellumir {
namespace {

constexpr uint32_t kUntouched = 0x12345678;  // alpha not 0xFF: never a drawn pixel

// A bitmap whose every pixel tells its picture column and row (row 0 at
// the top), stored bottom-up as the display bitmap is.
void fillNumbered(DisplayBitmap& bitmap, uint32_t width, uint32_t height) {
    bitmap.allocate(width, height);
    ASSERT_FALSE(bitmap.empty());
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.rows[height - 1 - y];
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x + 0] = uint8_t(x);                         // blue
            row[3 * x + 1] = uint8_t(y);                         // green
            row[3 * x + 2] = uint8_t((x >> 8) | (y >> 8) << 4);  // red
        }
    }
}

uint32_t shownPixel(uint32_t x, uint32_t y) {
    return 0xFF000000u | ((x >> 8) | (y >> 8) << 4) << 16 | (y & 255) << 8 | (x & 255);
}

struct Frame {
    int32_t width;
    int32_t height;
    ptrdiff_t stride;
    std::vector<uint32_t> pixels;

    Frame(int32_t w, int32_t h, ptrdiff_t s = 0)
        : width(w), height(h), stride(s ? s : w), pixels(size_t(stride) * h, kUntouched) {}
    Framebuffer view() { return {pixels.data(), width, height, stride}; }
    uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * stride + x]; }
};

// The blit's rule, written out pixel by pixel over the whole destination.
std::vector<uint32_t> referenceBlit(const Frame& frame, uint32_t pictureHeight, const Box& d,
                                    const Box& s) {
    std::vector<uint32_t> expected = frame.pixels;
    for (int64_t dy = d.y; dy < int64_t{d.y} + d.height; ++dy) {
        for (int64_t dx = d.x; dx < int64_t{d.x} + d.width; ++dx) {
            if (dx < 0 || dy < 0 || dx >= frame.width || dy >= frame.height) continue;
            int64_t column = s.x + (dx - d.x) * s.width / d.width;
            int64_t rowFromTop = (dy - d.y) * s.height / d.height;
            int64_t bitmapRow = s.y + s.height - 1 - rowFromTop;  // counted from the bottom
            int64_t pictureRow = pictureHeight - 1 - bitmapRow;
            expected[size_t(dy) * frame.stride + size_t(dx)] =
                shownPixel(uint32_t(column), uint32_t(pictureRow));
        }
    }
    return expected;
}

struct BlitCase {
    const char* what;
    Box destination;
    Box source;
};

// The frame's rows are longer than its width: what lies past the width,
// like everything outside the destination, must stay untouched.
TEST(StretchBlit, MatchesThePixelRuleForEnlargingShrinkingAndUnevenScales) {
    DisplayBitmap bitmap;
    fillNumbered(bitmap, 300, 200);
    const BlitCase cases[] = {
        {"one to one, offset", {5, 3, 20, 10}, {100, 150, 20, 10}},
        {"zoom 4, half a pixel cut on the left", {-2, 10, 304, 112}, {1, 22, 76, 28}},
        {"zoom 8, partial pixels on all sides", {-5, -7, 64, 64}, {13, 40, 8, 8}},
        {"zoom 1024 of one pixel", {-1000, -900, 1024, 1024}, {299, 0, 1, 1}},
        {"half", {0, 0, 50, 20}, {0, 0, 100, 40}},
        {"one eighth", {3, 2, 37, 25}, {0, 0, 296, 200}},
        {"seven onto three", {1, 1, 3, 3}, {5, 6, 7, 7}},
        {"three onto seven", {2, 0, 7, 7}, {9, 1, 3, 3}},
        {"wider than the frame", {-13, -11, 600, 400}, {0, 0, 300, 200}},
        {"wholly left of the frame", {-500, 0, 400, 20}, {0, 0, 100, 5}},
    };
    for (const BlitCase& c : cases) {
        Frame frame(61, 47, 64);
        stretchBlit(frame.view(), bitmap, c.destination, c.source);
        EXPECT_EQ(frame.pixels, referenceBlit(Frame(61, 47, 64), 200, c.destination, c.source))
            << c.what;
    }
}

TEST(StretchBlit, DrawsNothingForASourceOutsideTheBitmapOrAnEmptyRectangle) {
    DisplayBitmap bitmap;
    fillNumbered(bitmap, 10, 8);
    const BlitCase cases[] = {
        {"past the right edge", {0, 0, 20, 20}, {5, 0, 6, 4}},
        {"past the top", {0, 0, 20, 20}, {0, 5, 4, 4}},
        {"negative x", {0, 0, 20, 20}, {-1, 0, 4, 4}},
        {"negative source height", {0, 0, 20, 20}, {0, 4, 4, -4}},
        {"negative destination width", {10, 0, -5, 5}, {0, 0, 4, 4}},
        {"overflowing sum", {0, 0, 20, 20}, {INT32_MAX, 0, INT32_MAX, 4}},
    };
    for (const BlitCase& c : cases) {
        Frame frame(16, 16);
        stretchBlit(frame.view(), bitmap, c.destination, c.source);
        EXPECT_EQ(frame.pixels, Frame(16, 16).pixels) << c.what;
    }
}

// Four pixels are 12 bytes, a row without fill bytes: the top picture row
// ends the block exactly, and a word load of its last pixel would read one
// byte past it. The block's 36 bytes end inside one of the sanitizer's
// 8-byte granules, so the sanitized build sees that byte.
TEST(StretchBlit, ReadsNothingBeyondTheLastPixelOfARowWithoutFillBytes) {
    DisplayBitmap bitmap;
    fillNumbered(bitmap, 4, 3);
    ASSERT_EQ(bitmap.stride, 12);
    const BlitCase cases[] = {
        {"one to one", {0, 0, 4, 3}, {0, 0, 4, 3}},
        {"one to one, last column", {0, 0, 1, 1}, {3, 2, 1, 1}},
        {"enlarged", {-1, -1, 12, 9}, {0, 0, 4, 3}},
        {"shrunk", {0, 0, 2, 1}, {1, 0, 2, 3}},
    };
    for (const BlitCase& c : cases) {
        Frame frame(16, 8);
        stretchBlit(frame.view(), bitmap, c.destination, c.source);
        EXPECT_EQ(frame.pixels, referenceBlit(Frame(16, 8), 3, c.destination, c.source)) << c.what;
    }
}

// The whole paint against the plainest statement of what the window shows:
// client pixel (x, y) shows the picture pixel under it, or the background.
// Zoomed out, a picture pixel that only part of a display pixel would show
// is not drawn, so the picture ends at trunc(width * zoom). Rows are then
// sampled from the bottom of the picture up, as the bitmap stores them, so
// the rows left over at the top (height mod 1/zoom of them) are the ones
// never shown, and each display row shows a row that many further down.
std::vector<uint32_t> referencePaint(uint32_t width, uint32_t height, float zoom, Point origin,
                                     int32_t clientWidth, int32_t clientHeight) {
    std::vector<uint32_t> expected(size_t(clientWidth) * clientHeight);
    const double z = zoom;
    const int64_t shownWidth = static_cast<int64_t>(width * z);
    const int64_t shownHeight = static_cast<int64_t>(height * z);
    for (int32_t y = 0; y < clientHeight; ++y) {
        for (int32_t x = 0; x < clientWidth; ++x) {
            int64_t ix = int64_t{x} - origin.x;
            int64_t iy = int64_t{y} - origin.y;
            uint32_t value = framebufferPixel(kBackgroundColour);
            if (ix >= 0 && iy >= 0 && ix < shownWidth && iy < shownHeight) {
                uint32_t skipped = zoom < 1.0f ? height % uint32_t(1.0 / z) : 0;
                value = shownPixel(uint32_t(std::floor(ix / z)),
                                   uint32_t(std::floor(iy / z)) + skipped);
            }
            expected[size_t(y) * clientWidth + x] = value;
        }
    }
    return expected;
}

TEST(FramebufferPaint, ShowsThePixelUnderEachClientPixelAtEveryZoomAndOrigin) {
    DisplayBitmap bitmap;
    fillNumbered(bitmap, 601, 307);
    test::RecordingHost host;
    host.client = {0, 0, 71, 53};
    ImageWindow window(bitmap, host);
    for (float zoom = 1.0f / 256; zoom <= 1024.0f; zoom *= 2.0f) {
        const int32_t shown = static_cast<int32_t>(601 * double{zoom});
        for (Point origin : {Point{0, 0}, Point{5, 9}, Point{-1, -1}, Point{-3, -5},
                             Point{-700, -500}, Point{-shown + 10, -shown / 2 + 7},
                             Point{-shown + 1, 52}, Point{70, -shown}, Point{-4000, 0}}) {
            window.zoom = zoom;
            window.origin = origin;
            Frame frame(71, 53);
            FramebufferCanvas canvas(frame.view());
            window.paint(canvas);
            ASSERT_EQ(frame.pixels, referencePaint(601, 307, zoom, origin, 71, 53))
                << "zoom " << zoom << " origin " << origin.x << "," << origin.y;
        }
    }
}

TEST(FramebufferPaint, EmptyBitmapPaintsTheWholeClientInTheBackground) {
    DisplayBitmap bitmap;
    test::RecordingHost host;
    host.client = {0, 0, 30, 20};
    ImageWindow window(bitmap, host);
    for (Point origin : {Point{0, 0}, Point{12, 7}, Point{-12, -7}}) {
        window.origin = origin;
        Frame frame(30, 20);
        FramebufferCanvas canvas(frame.view());
        window.paint(canvas);
        ASSERT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), 0xFF05004Au), 600);
    }
}

}  // namespace
}  // namespace pellumir
