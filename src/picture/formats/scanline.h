#pragma once

#include <cstdint>

#include "io/byte_input.h"
#include "io/safe_output.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// New run-length scanlines exist only for these lengths; others are flat.
inline constexpr uint32_t kMinRunLengthScanline = 8;
inline constexpr uint32_t kMaxRunLengthScanline = 32767;

// Reads one scanline of `length` pixels in any of the three encodings (flat,
// old run-length, new run-length) into `row`. `firstRow` tells that no pixel
// lies before the row, so that an old repeat marker there has nothing to
// repeat. Returns 0, or -1 on a malformed or truncated scanline.
int readScanline(RgbePixel* row, uint32_t length, ByteInput& in, bool firstRow);

// Reads `count` flat or old run-length pixels starting at `first`.
// `hasPixelBefore` tells whether first[-1] exists (the pixel a repeat marker
// at `first` copies). Returns 0, or -1 at the end of the file or on an error.
int readOldScanline(RgbePixel* first, uint32_t count, ByteInput& in, bool hasPixelBefore);

// Writes one scanline: new run-length for lengths 8 to 32767, flat otherwise.
// Returns 0, or a negative value when the output failed.
int64_t writeScanline(const RgbePixel* row, uint32_t length, SafeOutput& out);

}  // namespace pellumir
