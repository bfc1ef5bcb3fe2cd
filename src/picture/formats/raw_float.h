#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "io/failure_reason.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// What a raw float file does not say about itself; the user gives it. The
// sizes are wider than any picture so that a number typed out of range
// reaches the reader as such and fails there.
struct RawFloatLayout {
    int64_t width = 0;
    int64_t height = 0;
    bool colour = true;      // three floats a pixel, else one grey float
    bool swapBytes = false;  // the floats are big-endian
};

// Reads a headerless file of 32-bit floats: `height` rows of `width`
// pixels, bottom row first, three floats a pixel when `colour` is nonzero,
// else one grey float; big-endian when `swap` is nonzero, else
// little-endian. Bytes after the last row are ignored. A width or height
// below 1 or above INT32_MAX fails. Returns 1 with row 0 at the top, or 0
// with the picture empty.
// The first cause of a failure goes to `reason`.
int readRawFloat(RgbeImage& image, const std::string& path, int64_t width, int64_t height,
                 int colour, int swap, FailureReason* reason = nullptr);
// The same from the stream's position.
int readRawFloat(RgbeImage& image, std::FILE* file, int64_t width, int64_t height, int colour,
                 int swap, FailureReason* reason = nullptr);

}  // namespace pellumir
