#pragma once

#include <cstdint>

#include "display/tone_table.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Converts picture rows [first, last) of a width x height picture (pixels
// row after row, top row first) into the bottom-up bitmap rows that show
// them: blue, green, red, each the table entry of the pixel's exponent and
// the channel's mantissa. Fill bytes at the ends of the rows are not
// touched.
void convertRows(const ToneTable& table, const RgbePixel* pixels, uint32_t width, uint32_t height,
                 uint8_t* const* rows, uint32_t first, uint32_t last);

}  // namespace pellumir
