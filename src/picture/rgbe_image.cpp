#include "picture/rgbe_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "picture/memory_budget.h"
#include "picture/row_block.h"
#include "picture/turn_tile.h"
#include "picture/two_cores.h"

namespace pellumir {

void RgbeImage::allocate(uint32_t newWidth, uint32_t newHeight) {
    if (rows && newWidth == width && newHeight == height) return;
    if (rows) release();
    uint64_t blockBytes = 0;
    if (newWidth == 0 || newHeight == 0 ||
        !rowBlockFits(uint64_t{newWidth} * sizeof(RgbePixel), newHeight, blockBytes)) {
        return;
    }
    auto* block = static_cast<RgbePixel*>(newRowBlock(blockBytes, BlockFill::leave));
    if (!block) return;
    rows = pointRows(block, newHeight, newWidth);
    if (!rows) {
        std::free(block);
        return;
    }
    width = newWidth;
    height = newHeight;
}

void RgbeImage::release() {
    freeRows(rows);
    std::free(spare_);
    spare_ = nullptr;
    spareBytes_ = 0;
    width = 0;
    height = 0;
}

void RgbeImage::giveSpare(RgbePixel* block, uint64_t bytes) {
    std::free(spare_);
    spare_ = block;
    spareBytes_ = block ? bytes : 0;
}

void RgbeImage::swapRows(uint32_t a, uint32_t b) {
    if (a == b) return;
    std::swap_ranges(rows[a], rows[a] + width, rows[b]);
}

void RgbeImage::swapColumns(uint32_t a, uint32_t b) {
    for (uint32_t r = 0; r < height; ++r)
        std::swap(rows[r][a], rows[r][b]);
}

bool RgbeImage::rotate90(const RowsDone& rowsDone, Spare spare) {
    if (!rows) return true;
    uint64_t bytes = uint64_t{width} * height * sizeof(RgbePixel);
    RgbeImage turned;
    if (spare_ && spareBytes_ == bytes) {
        // The block of the turn before: memory the process already has,
        // where a new block would cost a page fault for every page.
        turned.rows = pointRows(spare_, width, height);
        if (turned.rows) {
            turned.width = height;
            turned.height = width;
            spare_ = nullptr;
            spareBytes_ = 0;
        }
    }
    if (!turned.rows) {
        std::free(spare_);
        spare_ = nullptr;
        spareBytes_ = 0;
        turned.allocate(height, width);
    }
    if (!turned.rows) return false;

    // Walked in bands of kBand rows of the turned picture and tiles of
    // kTile columns, so that both blocks are read and written a cache line
    // at a time. Each thread writes its own bands, and so takes the faults
    // of their fresh pages itself.
    constexpr uint32_t kBand = 32;
    constexpr uint32_t kTile = 64;
    onTwoCores(width, bytes, kBand, [&](uint32_t first, uint32_t last) {
        for (uint32_t r0 = first; r0 < last; r0 += kBand) {
            uint32_t r1 = std::min(last, r0 + kBand);
            for (uint32_t c0 = 0; c0 < height; c0 += kTile)
                turnTile(pixels(), width, height - 1, turned.pixels(), height, r0, r1, c0,
                         std::min(height, c0 + kTile));
            if (rowsDone) rowsDone(turned, r0, r1);
        }
    });
    swap(turned);
    // Kept only while the budget has room for both blocks at once.
    uint64_t both = 0;
    if (spare == Spare::keep && checkedProduct(bytes, 2, both) && withinMemoryBudget(both)) {
        spare_ = turned.rows[0];
        spareBytes_ = bytes;
        std::free(turned.rows);
        turned.rows = nullptr;
    }
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
