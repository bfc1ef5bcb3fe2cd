#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "picture/rgbe_image.h"

namespace pellumir {

// Reads the first image of a TIFF file of 32-bit float samples through
// libtiff: one sample a pixel is grey, three or more are red, green, blue
// and whatever follows (alpha, say), which is skipped. The file's first
// scanline is row 0. Only strips of pixel-interleaved 32-bit IEEE floats are
// read (a missing SampleFormat counts as float); anything else fails, as
// does any scanline libtiff cannot deliver. libtiff reports its own warnings
// and errors. Returns 1, or 0 with the picture empty.
int readFloatTiff(RgbeImage& image, const std::string& path);
// The same from a whole file held in memory.
int readFloatTiffFromMemory(RgbeImage& image, const uint8_t* data, size_t size);

}  // namespace pellumir
