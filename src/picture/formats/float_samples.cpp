#include "picture/formats/float_samples.h"

#include <cmath>
#include <cstring>

#include "picture/formats/half_rgbe.h"

namespace pellumir {

// IEEE 754 binary16 to single precision: every half is exactly a float.
float halfToFloat(uint16_t half) {
    uint32_t sign = uint32_t{half & 0x8000u} << 16;
    uint32_t exponent = (half >> 10) & 0x1f;
    uint32_t mantissa = half & 0x3ffu;
    uint32_t bits = 0;
    if (exponent == 0x1f) {
        bits = sign | 0x7f800000u | (mantissa << 13);  // infinity or NaN
    } else if (exponent != 0) {
        bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
    } else if (mantissa != 0) {
        // Subnormal: mantissa × 2^-24, exact in a float.
        float value = std::ldexp(static_cast<float>(mantissa), -24);
        return sign ? -value : value;
    } else {
        bits = sign;
    }
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

namespace {

// One sample at `bytes` as a double; memcpy, as the samples need not be
// aligned for their type.
template <typename Sample>
double loaded(const uint8_t* bytes) {
    Sample value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename Widen>
void encodeWith(const SampleRow& row, uint32_t width, RgbePixel* out, Widen widen) {
    size_t at = 0;
    if (row.red == row.green && row.green == row.blue) {
        for (uint32_t i = 0; i < width; ++i, at += row.pixelStep) {
            double v = widen(row.red + at);
            encodeRgbe(out[i], v, v, v);
        }
        return;
    }
    for (uint32_t i = 0; i < width; ++i, at += row.pixelStep) {
        encodeRgbe(out[i], widen(row.red + at), widen(row.green + at), widen(row.blue + at));
    }
}

}  // namespace

void encodeSampleRow(const SampleRow& row, uint32_t width, RgbePixel* out) {
    if (row.sampleBytes == 2) {
        encodeHalfPixels(row.red, row.green, row.blue, row.pixelStep, width, out);
    } else if (row.sampleBytes == 4) {
        encodeWith(row, width, out, loaded<float>);
    } else {
        encodeWith(row, width, out, loaded<double>);
    }
}

}  // namespace pellumir
