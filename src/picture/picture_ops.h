#pragma once

#include "picture/rgbe_image.h"

namespace pellumir {

// Mirrors the picture left to right: what exchanging column i with column
// width - 1 - i gives, done row by row (for large pictures, half of the
// rows on each of two cores).
void mirrorPicture(RgbeImage& image);

// Flips the picture upside down: rows i and height - 1 - i exchanged
// (for large pictures, half of the pairs on each of two cores).
void flipPicture(RgbeImage& image);

}  // namespace pellumir
