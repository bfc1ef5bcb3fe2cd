#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/failure_reason.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Reads the first part of an OpenEXR file, scanline or tiled, of any
// compression, through OpenEXR's core library. The picture is the data
// window, its top row first. Of the channels it takes R, G and B; a file
// with Y and no colour is grey; a file with neither takes the first layer
// (by name, alphabetically) that has R, G and B. Half, float and unsigned
// integer channels are read; alpha and every other channel are ignored.
// Deep, subsampled and luminance-chroma pictures are refused. The header's
// sizes are checked against the file and the memory budget before any
// pixel memory is asked for. Chunks are decoded on OpenEXR's thread pool.
// Returns 1, or 0 with the picture empty and the cause in `reason`.
int readOpenExr(RgbeImage& image, const std::string& path, FailureReason* reason = nullptr);
// The same from a whole file held in memory.
int readOpenExrFromMemory(RgbeImage& image, const uint8_t* data, size_t size,
                          FailureReason* reason = nullptr);

}  // namespace pellumir
