#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// An IEEE 754 binary16 value (a half) as the float it is exactly.
float halfToFloat(uint16_t half);

// One row of decoded IEEE float samples in the machine's byte order, as a
// reader has them: where the red, green and blue of the row's first pixel
// are (for grey, the same place thrice), the bytes from one pixel to the
// next, and the bytes of one sample: 2 (half), 4 (single) or 8 (double).
struct SampleRow {
    const uint8_t* red = nullptr;
    const uint8_t* green = nullptr;
    const uint8_t* blue = nullptr;
    size_t pixelStep = 0;
    unsigned sampleBytes = 4;
};

// Where each reader's rows end: `width` pixels of the row encoded into
// `out`, each sample widened to double for encodeRgbe (halves by table, to
// the same pixels).
void encodeSampleRow(const SampleRow& row, uint32_t width, RgbePixel* out);

}  // namespace pellumir
