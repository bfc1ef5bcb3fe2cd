#include "display/picture_reduction.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pellumir {

namespace {

// Source column or row where reduced column or row i starts: ceil(i * source
// / reduced), so that x belongs to i exactly when i = floor(x * reduced /
// source). Every box holds at least one pixel because reduced <= source.
uint32_t boxStart(uint64_t i, uint64_t source, uint64_t reduced) {
    return static_cast<uint32_t>((i * source + reduced - 1) / reduced);
}

// The radiance of mantissa m under exponent e is (m + 0.5) * 2^(e - 136);
// the scale of exponent 0 is 0, since the display shows such pixels black.
struct DecodeScales {
    double scale[256];
    DecodeScales() {
        scale[0] = 0.0;
        for (int e = 1; e < 256; ++e)
            scale[e] = std::ldexp(1.0, e - 136);
    }
};

}  // namespace

ReducedSize reducedSize(uint32_t width, uint32_t height, uint32_t longestSide) {
    if (width == 0 || height == 0 || longestSide == 0) return {};
    if (width <= longestSide && height <= longestSide) return {width, height};
    // Rounded to the nearest whole pixel, in 64 bits: the products of two
    // 32-bit sides cannot overflow there.
    auto scaled = [](uint64_t side, uint64_t to, uint64_t from) {
        uint64_t result = (side * to + from / 2) / from;
        return static_cast<uint32_t>(result < 1 ? 1 : result);
    };
    if (width >= height) return {longestSide, scaled(height, longestSide, width)};
    return {scaled(width, longestSide, height), longestSide};
}

bool reducePicture(const RgbeImage& source, uint32_t longestSide, RgbeImage& reduced) {
    reduced.release();
    if (source.empty()) return false;
    ReducedSize size = reducedSize(source.width, source.height, longestSide);
    if (size.width == 0) return false;
    reduced.allocate(size.width, size.height);
    if (reduced.empty()) return false;

    static const DecodeScales decode;
    const uint32_t width = size.width;
    std::vector<double> sums(3 * static_cast<size_t>(width));
    std::vector<uint32_t> columnStarts(width + 1);
    for (uint32_t i = 0; i <= width; ++i)
        columnStarts[i] = boxStart(i, source.width, width);

    for (uint32_t j = 0; j < size.height; ++j) {
        uint32_t firstRow = boxStart(j, source.height, size.height);
        uint32_t endRow = boxStart(j + 1, source.height, size.height);
        std::fill(sums.begin(), sums.end(), 0.0);
        for (uint32_t y = firstRow; y < endRow; ++y) {
            const RgbePixel* row = source.rows[y];
            double* sum = sums.data();
            for (uint32_t i = 0; i < width; ++i, sum += 3) {
                // In double precision: the largest radiance, about 2^127,
                // would overflow a float sum after two terms.
                double red = 0, green = 0, blue = 0;
                for (uint32_t x = columnStarts[i]; x < columnStarts[i + 1]; ++x) {
                    RgbePixel p = row[x];
                    double scale = decode.scale[p.exponent];
                    red += (p.red + 0.5) * scale;
                    green += (p.green + 0.5) * scale;
                    blue += (p.blue + 0.5) * scale;
                }
                sum[0] += red;
                sum[1] += green;
                sum[2] += blue;
            }
        }
        const double rows = endRow - firstRow;
        const double* sum = sums.data();
        for (uint32_t i = 0; i < width; ++i, sum += 3) {
            double count = rows * (columnStarts[i + 1] - columnStarts[i]);
            encodeRgbe(reduced.rows[j][i], sum[0] / count, sum[1] / count, sum[2] / count);
        }
    }
    return true;
}

}  // namespace pellumir
