#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "io/byte_sink.h"
#include "io/failure_reason.h"

namespace pellumir {

struct DisplayBitmap;

// An 8-bit RGB picture handed to the PNG writer one row at a time: row(y)
// returns picture row y (top row first) as width pixels of blue, green, red
// bytes, the order the display bitmap keeps them in.
struct PngSource {
    uint32_t width = 0;
    uint32_t height = 0;
    std::function<const uint8_t*(uint32_t y)> row;
};

// Writes an 8-bit RGB PNG through libpng into `out`, with a gAMA chunk for
// the given display gamma (the file's samples are value^(1/gamma)). 1 on
// success; 0 on failure (`out` taking not all of it, a row missing, libpng
// without memory), and for a picture without pixels, which writes nothing.
// The cause of a failure goes to `reason`.
int writePng(ByteSink& out, const PngSource& source, double displayGamma,
             FailureReason* reason = nullptr);
// The same into a file: replaces a file at path only when every byte was
// written (writeSafely).
int writePng(const std::string& path, const PngSource& source, double displayGamma,
             FailureReason* reason = nullptr);

// The displayed bitmap as a PNG: the same pixels a BMP of it holds.
int writeBitmapPng(ByteSink& out, const DisplayBitmap& bitmap, double displayGamma,
                   FailureReason* reason = nullptr);
int writeBitmapPng(const std::string& path, const DisplayBitmap& bitmap, double displayGamma,
                   FailureReason* reason = nullptr);

}  // namespace pellumir
