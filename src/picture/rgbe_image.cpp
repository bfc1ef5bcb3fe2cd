#include "picture/rgbe_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/huge_pages.h"
#include "picture/memory_budget.h"
#include "picture/two_cores.h"

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
    adviseHugePages(block, blockBytes);
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

namespace {

// turned[r][c] = source[height - 1 - c][r] for r in [r0, r1), c in [c0, c1):
// turned is height pixels wide, source width pixels wide.
void turnTile(const RgbePixel* source, uint32_t width, uint32_t height, RgbePixel* turned,
              uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1) {
    auto in = [&](uint32_t c) { return source + uint64_t{height - 1 - c} * width; };
    auto out = [&](uint32_t r) { return turned + uint64_t{r} * height; };
    uint32_t r = r0;
#if defined(__SSE2__)
    // Four by four: four source rows of four pixels each, exchanged across
    // as the rows of a 4 x 4 matrix of 32-bit values.
    for (; r + 4 <= r1; r += 4) {
        uint32_t c = c0;
        for (; c + 4 <= c1; c += 4) {
            __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c) + r));
            __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 1) + r));
            __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 2) + r));
            __m128i a3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 3) + r));
            __m128i t0 = _mm_unpacklo_epi32(a0, a1);
            __m128i t1 = _mm_unpacklo_epi32(a2, a3);
            __m128i t2 = _mm_unpackhi_epi32(a0, a1);
            __m128i t3 = _mm_unpackhi_epi32(a2, a3);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out(r) + c), _mm_unpacklo_epi64(t0, t1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out(r + 1) + c),
                             _mm_unpackhi_epi64(t0, t1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out(r + 2) + c),
                             _mm_unpacklo_epi64(t2, t3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out(r + 3) + c),
                             _mm_unpackhi_epi64(t2, t3));
        }
        for (; c < c1; ++c) {
            for (uint32_t k = 0; k < 4; ++k)
                out(r + k)[c] = in(c)[r + k];
        }
    }
#endif
    for (; r < r1; ++r) {
        RgbePixel* row = out(r);
        for (uint32_t c = c0; c < c1; ++c)
            row[c] = in(c)[r];
    }
}

}  // namespace

bool RgbeImage::rotate90(const RowsDone& rowsDone, Spare spare) {
    if (!rows) return true;
    uint64_t bytes = uint64_t{width} * height * sizeof(RgbePixel);
    RgbeImage turned;
    if (spare_ && spareBytes_ == bytes) {
        // The block of the turn before: memory the process already has,
        // where a new block would cost a page fault for every page.
        auto* turnedRows =
            static_cast<RgbePixel**>(std::malloc(size_t{width} * sizeof(RgbePixel*)));
        if (turnedRows) {
            for (uint32_t i = 0; i < width; ++i)
                turnedRows[i] = spare_ + uint64_t{i} * height;
            turned.rows = turnedRows;
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
                turnTile(pixels(), width, height, turned.pixels(), r0, r1, c0,
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
