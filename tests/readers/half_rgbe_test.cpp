// The table encoding of half-float pixels against the arithmetic it stands
// for: encodeRgbe of each half's float value.

#include "picture/formats/half_rgbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "picture/formats/float_samples.h"

namespace pellumir {
namespace {

RgbePixel byTable(uint16_t red, uint16_t green, uint16_t blue) {
    uint16_t pixel[3] = {red, green, blue};
    auto* bytes = reinterpret_cast<const uint8_t*>(pixel);
    RgbePixel out{};
    encodeHalfPixels(bytes, bytes + 2, bytes + 4, sizeof pixel, 1, &out);
    return out;
}

RgbePixel byArithmetic(uint16_t red, uint16_t green, uint16_t blue) {
    RgbePixel out{};
    encodeRgbe(out, halfToFloat(red), halfToFloat(green), halfToFloat(blue));
    return out;
}

void expectSame(uint16_t red, uint16_t green, uint16_t blue) {
    RgbePixel table = byTable(red, green, blue);
    RgbePixel arithmetic = byArithmetic(red, green, blue);
    ASSERT_TRUE(table == arithmetic) << std::hex << red << " " << green << " " << blue;
}

// The largest sample of a pixel sets its exponent: one of every kind, with
// each power of two and the half just below it, where the byte's rounding
// turns.
std::vector<uint16_t> largestSamples() {
    std::vector<uint16_t> largest = {0x0001, 0x0002, 0x0003, 0x00ff, 0x03ff, 0x7bff, 0x7c00,
                                     0x7c01, 0x7fff, 0x8000, 0x8400, 0xfc00, 0x3555};
    for (uint16_t exponent = 1; exponent < 31; ++exponent) {
        largest.push_back(static_cast<uint16_t>(exponent << 10));
        largest.push_back(static_cast<uint16_t>((exponent << 10) - 1));
    }
    return largest;
}

TEST(HalfRgbe, EveryHalfAsGreyAndBesideEveryKindOfLargestEncodesAsItsValue) {
    const std::vector<uint16_t> largest = largestSamples();
    for (uint32_t h = 0; h < 65536; ++h) {
        auto half = static_cast<uint16_t>(h);
        expectSame(half, half, half);
        expectSame(half, 0, 0);
        expectSame(0, half, 0);
        expectSame(0, 0, half);
        for (uint16_t other : largest) {
            expectSame(half, other, 0);
            expectSame(other, 0x3c00, half);
        }
    }
}

TEST(HalfRgbe, RowsOfScatteredPixelsEncodeAsTheirValues) {
    // Interleaved with a fourth sample between pixels, as decoders leave
    // them; the fourth is never read.
    constexpr uint32_t kWidth = 65536;
    std::vector<uint16_t> samples(size_t{kWidth} * 4);
    uint32_t state = 12345;
    for (auto& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<uint16_t>(state >> 16);
    }
    std::vector<RgbePixel> out(kWidth);
    auto* bytes = reinterpret_cast<const uint8_t*>(samples.data());
    encodeHalfPixels(bytes, bytes + 2, bytes + 4, 8, kWidth, out.data());
    for (uint32_t i = 0; i < kWidth; ++i) {
        RgbePixel expected = byArithmetic(samples[4 * i], samples[4 * i + 1], samples[4 * i + 2]);
        ASSERT_TRUE(out[i] == expected) << i;
    }
}

}  // namespace
}  // namespace pellumir
