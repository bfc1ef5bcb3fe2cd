#include "picture/rgbe_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "picture/memory_budget.h"

namespace pellumir {

void RgbeImage::allocate(uint32_t newWidth, uint32_t newHeight) {
    if (rows && newWidth == width && newHeight == height) return;
    if (rows) release();
    if (newWidth == 0 || newHeight == 0) return;

    uint64_t pixelCount = 0;
    uint64_t blockBytes = 0;
    uint64_t rowBytes = 0;
    if (!checkedProduct(newWidth, newHeight, pixelCount) ||
        !checkedProduct(pixelCount, sizeof(RgbePixel), blockBytes) ||
        !checkedProduct(newHeight, sizeof(RgbePixel*), rowBytes) ||
        !withinMemoryBudget(blockBytes) || blockBytes > SIZE_MAX) {
        return;
    }

    auto* newRows = static_cast<RgbePixel**>(std::malloc(rowBytes));
    if (!newRows) return;
    auto* block = static_cast<RgbePixel*>(std::malloc(blockBytes));
    if (!block) {
        std::free(newRows);
        return;
    }
    for (uint32_t i = 0; i < newHeight; ++i)
        newRows[i] = block + uint64_t{i} * newWidth;
    rows = newRows;
    width = newWidth;
    height = newHeight;
}

void RgbeImage::release() {
    if (rows) {
        std::free(rows[0]);
        std::free(rows);
        rows = nullptr;
    }
    width = 0;
    height = 0;
}

void RgbeImage::swapRows(uint32_t a, uint32_t b) {
    if (a == b) return;
    std::swap_ranges(rows[a], rows[a] + width, rows[b]);
}

void RgbeImage::swapColumns(uint32_t a, uint32_t b) {
    for (uint32_t r = 0; r < height; ++r)
        std::swap(rows[r][a], rows[r][b]);
}

bool RgbeImage::rotate90() {
    if (!rows) return true;
    RgbeImage turned;
    turned.allocate(height, width);
    if (!turned.rows) return false;

    // turned[r][c] = this[height - 1 - c][r], walked in tiles so that both
    // blocks are read and written a cache line at a time.
    constexpr uint32_t kTile = 64;
    for (uint32_t r0 = 0; r0 < width; r0 += kTile) {
        uint32_t r1 = std::min(width, r0 + kTile);
        for (uint32_t c0 = 0; c0 < height; c0 += kTile) {
            uint32_t c1 = std::min(height, c0 + kTile);
            for (uint32_t r = r0; r < r1; ++r) {
                RgbePixel* out = turned.rows[r];
                for (uint32_t c = c0; c < c1; ++c)
                    out[c] = rows[height - 1 - c][r];
            }
        }
    }
    swap(turned);
    return true;
}

void RgbeImage::swap(RgbeImage& other) {
    std::swap(rows, other.rows);
    std::swap(width, other.width);
    std::swap(height, other.height);
}

void encodeRgbe(RgbePixel& pixel, double red, double green, double blue) {
    // !(v > 0) catches negatives and NaN alike.
    auto clamp = [](double v) { return !(v > 0.0) ? 0.0 : std::min(v, kLargestEncodable); };
    red = clamp(red);
    green = clamp(green);
    blue = clamp(blue);

    double m = red > green ? red : green;
    if (blue > m) m = blue;
    if (!(m > 1e-32)) {
        pixel = {0, 0, 0, 0};
        return;
    }
    int e = 0;
    double f = std::frexp(m, &e);
    // 255.9999 rather than 256 keeps the largest mantissa below 256.
    double scale = f * 255.9999 / m;
    pixel.red = static_cast<uint8_t>(red * scale);
    pixel.green = static_cast<uint8_t>(green * scale);
    pixel.blue = static_cast<uint8_t>(blue * scale);
    pixel.exponent = static_cast<uint8_t>(e + 128);
}

RgbColour decodeRgbe(RgbePixel pixel) {
    double scale = std::ldexp(1.0, int{pixel.exponent} - 136);
    return {(pixel.red + 0.5) * scale, (pixel.green + 0.5) * scale, (pixel.blue + 0.5) * scale};
}

}  // namespace pellumir
