#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// `width` pixels of three IEEE binary16 samples each (their bits in the
// machine's byte order), the red of pixel i at red + i × pixelStep bytes and
// so on, encoded into `out` exactly as encodeRgbe encodes their values, but
// by table: a half has too few values for arithmetic in doubles to pay.
void encodeHalfPixels(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                      size_t pixelStep, uint32_t width, RgbePixel* out);

}  // namespace pellumir
