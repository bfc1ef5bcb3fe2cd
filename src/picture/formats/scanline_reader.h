#pragma once

#include <cstdint>
#include <memory>

#include "io/byte_input.h"
#include "picture/formats/scanline.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Reads the scanlines of one picture, `length` pixels each, in any of the
// three encodings (flat, old run-length, new run-length). A new run-length
// scanline is decoded plane by plane into a scratch block, which the reader
// keeps for all the scanlines of the picture.
class ScanlineReader {
  public:
    explicit ScanlineReader(uint32_t length);

    // False when there was no memory for the scratch block.
    bool ready() const { return planes_ || !runLength_; }

    // Reads the next scanline into `row`. `firstRow` tells that no pixel
    // lies before the row, so that an old repeat marker there has nothing
    // to repeat. Returns 0, or -1 on a malformed or truncated scanline.
    int read(RgbePixel* row, ByteInput& in, bool firstRow);

  private:
    uint32_t length_;
    bool runLength_;  // the length is one that new run-length scanlines can have
    std::unique_ptr<uint8_t[]> planes_;
};

// One scanline read by a reader of its own, as ScanlineReader::read; -1
// also when there is no memory for the reader.
int readScanline(RgbePixel* row, uint32_t length, ByteInput& in, bool firstRow);

// Reads `count` flat or old run-length pixels starting at `first`.
// `hasPixelBefore` tells whether first[-1] exists (the pixel a repeat marker
// at `first` copies). Returns 0, or -1 at the end of the file or on an error.
int readOldScanline(RgbePixel* first, uint32_t count, ByteInput& in, bool hasPixelBefore);

}  // namespace pellumir
