#pragma once

#include <cstdint>
#include <cstdio>

#include <string>

#include "io/failure_reason.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Rows of 32-bit IEEE floats, one (grey) or three (red, green, blue) a pixel,
// with nothing between pixels or rows: the raster of PFM and raw float files.
struct FloatRaster {
    uint32_t width = 0;
    uint32_t height = 0;
    bool colour = true;
    bool bigEndian = false;
    bool headerless = false;  // a raw float file: the sizes come from the user
};

// Reads the raster from the stream's position into `image`. The first row in
// the file is the bottom row of the picture. Returns 1, or 0 with the picture
// empty: for a width or height of 0, a stream too short for every row (found
// before the picture is allocated whenever the stream has a size), or memory
// that cannot be had. Bytes after the last row are not read.
// The first cause of a failure goes to `reason`.
int readFloatRaster(RgbeImage& image, std::FILE* file, const FloatRaster& raster,
                    FailureReason* reason = nullptr);

// The words for a header whose pixels cannot fit in the file (claimText),
// or in the bytes after the header (claimAfterHeaderText), and for a
// picture larger than the memory allows.
std::string claimText(uint64_t width, uint64_t height, uint64_t bytes);
std::string claimAfterHeaderText(uint64_t width, uint64_t height, uint64_t bytes);
std::string tooLargeText(uint64_t width, uint64_t height);

}  // namespace pellumir
