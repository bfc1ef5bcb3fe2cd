#pragma once

#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// One tile of a clockwise turn: turned[r][c] = source[last - c][r] for r in
// [r0, r1) and c in [c0, c1), where source rows lie `sourceStride` pixels
// apart and turned rows `turnedStride` apart. A whole picture of width x
// height turns with last = height - 1 and turnedStride = height; a batch of
// rows turns into its columns of a larger picture with `last` set so that
// last - c names the batch's row.
void turnTile(const RgbePixel* source, uint64_t sourceStride, int64_t last, RgbePixel* turned,
              uint64_t turnedStride, uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1);

}  // namespace pellumir
