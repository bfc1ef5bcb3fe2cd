#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "picture/rgbe_image.h"

namespace pellumir::test {

// The four bytes of each float, little- or big-endian.
inline std::string floatBytes(const std::vector<float>& values, bool bigEndian = false) {
    std::string bytes;
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 4; ++i) {
            int shift = bigEndian ? 24 - 8 * i : 8 * i;
            bytes += static_cast<char>((bits >> shift) & 0xff);
        }
    }
    return bytes;
}

inline RgbePixel encoded(double red, double green, double blue) {
    RgbePixel pixel{};
    encodeRgbe(pixel, red, green, blue);
    return pixel;
}

// The pixels that encodeRgbe gives for `floats`, `stride` a pixel (grey
// for a stride of 1), rows in the order given.
inline std::vector<RgbePixel> encodedPixels(const std::vector<float>& floats, size_t stride) {
    std::vector<RgbePixel> pixels;
    for (size_t i = 0; i + stride <= floats.size(); i += stride) {
        if (stride == 1) {
            pixels.push_back(encoded(floats[i], floats[i], floats[i]));
        } else {
            pixels.push_back(encoded(floats[i], floats[i + 1], floats[i + 2]));
        }
    }
    return pixels;
}

// The picture's pixels, row 0 first.
inline std::vector<RgbePixel> pixelsOf(const RgbeImage& image) {
    if (image.empty()) return {};
    return {image.pixels(), image.pixels() + uint64_t{image.width} * image.height};
}

// A value for float k of a test raster: distinct, positive, over many stops.
inline float testValue(size_t k) {
    return static_cast<float>((k % 7 + 1) * (1u << (k % 23))) / 4096.0f;
}

inline std::vector<float> testFloats(size_t count) {
    std::vector<float> values(count);
    for (size_t k = 0; k < count; ++k)
        values[k] = testValue(k);
    return values;
}

}  // namespace pellumir::test
