#pragma once

#include <cstdint>
#include <memory>

#include "io/byte_sink.h"
#include "picture/formats/scanline.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Writes the scanlines of one picture, `length` pixels each: new run-length
// for lengths 8 to 32767, flat otherwise. The planes and the encoded line
// go through a scratch block that the writer keeps for all the scanlines.
class ScanlineWriter {
  public:
    explicit ScanlineWriter(uint32_t length);

    // Writes one scanline. Returns 0, or a negative value when `out` did not
    // take all of it.
    int64_t write(const RgbePixel* row, ByteSink& out);

  private:
    uint32_t length_;
    std::unique_ptr<uint8_t[]> scratch_;  // null for flat scanlines
};

// One scanline written by a writer of its own, as ScanlineWriter::write.
int64_t writeScanline(const RgbePixel* row, uint32_t length, ByteSink& out);

}  // namespace pellumir
