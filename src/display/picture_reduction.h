#pragma once

#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

struct ReducedSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The size of a picture shrunk to at most `longestSide` pixels on its longer
// side, the proportions kept as nearly as whole pixels allow and no side
// below 1. A picture that already fits keeps its size: it is never enlarged.
// 0 x 0 for a picture or a longest side of 0.
ReducedSize reducedSize(uint32_t width, uint32_t height, uint32_t longestSide);

// Shrinks the picture to reducedSize(...) by averaging in linear light: each
// reduced pixel is the mean radiance of the box of source pixels it covers,
// encoded again as RGBE. A pixel with exponent 0 counts as black, as the
// display shows it. Boxes differ by at most one row or column where the
// sizes do not divide. False, with `reduced` empty, when the source is empty
// or the reduced picture cannot be had.
bool reducePicture(const RgbeImage& source, uint32_t longestSide, RgbeImage& reduced);

}  // namespace pellumir
