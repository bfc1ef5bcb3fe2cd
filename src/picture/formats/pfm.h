#pragma once

#include <cstdio>
#include <string>

#include "io/failure_reason.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Reads a portable float map: "PF" (colour) or "Pf" (grey), the width and
// height, the scale, then the rows of 32-bit floats, bottom row first. Only
// the sign of the scale counts: above 0 the floats are big-endian, else
// (0, -0, negative, NaN) little-endian. Returns 1 with row 0 at the top, or
// 0 with the picture empty.
// The first cause of a failure goes to `reason`.
int readPfm(RgbeImage& image, const std::string& path, FailureReason* reason = nullptr);
// The same from the stream's position.
int readPfm(RgbeImage& image, std::FILE* file, FailureReason* reason = nullptr);

}  // namespace pellumir
