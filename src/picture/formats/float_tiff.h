#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/failure_reason.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Reads the first image of a TIFF file of float samples through libtiff:
// one sample a pixel is grey, three or more are red, green, blue and
// whatever follows (alpha, say), which is skipped. The file's first scanline
// is row 0. Samples may be 16-, 32- or 64-bit IEEE floats, in strips or
// tiles, pixel-interleaved or in separate planes. Integer samples (which a
// missing SampleFormat means), two samples a pixel and photometric
// interpretations other than grey and RGB are refused, as is any strip or
// tile libtiff cannot deliver. libtiff's own messages are not printed; the
// first cause of a failure goes to `reason`. Returns 1, or 0 with the
// picture empty.
int readFloatTiff(RgbeImage& image, const std::string& path, FailureReason* reason = nullptr);
// The same from a whole file held in memory.
int readFloatTiffFromMemory(RgbeImage& image, const uint8_t* data, size_t size,
                            FailureReason* reason = nullptr);

}  // namespace pellumir
