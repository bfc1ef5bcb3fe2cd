#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// Decoded rows of the chosen OpenEXR channels as the reader lays them out:
// red, green and blue a pixel (grey: the grey alone, in the red's place),
// all halves or all floats, `rowBytes` from one row to the next.
struct ExrChannelRows {
    const uint8_t* samples = nullptr;
    size_t rowBytes = 0;
    bool halves = false;
    bool grey = false;
};

// Encodes `width` × `height` pixels of `rows` into the picture, their first
// one at column `x` of row `y`.
void encodeExrRows(const ExrChannelRows& rows, uint32_t width, uint32_t height, RgbeImage& image,
                   uint32_t x, uint32_t y);

}  // namespace pellumir
