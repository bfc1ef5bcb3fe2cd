#pragma once

#include <cstdint>

#include "make-resources/png_file.h"

namespace pellumir {

// The program's icon sizes, as the desktop's icon theme asks for them.
inline constexpr uint32_t kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Draws the icon at size x size: a pendant lamp, its bulb glowing, over a
// dark room with a pool of light on the floor, on a rounded tile. Each size
// is drawn afresh with its edges put on whole pixels, so that the small ones
// stay sharp, and antialiased by averaging kIconSamples x kIconSamples
// samples a pixel. Outside the tile the icon is transparent. An empty
// picture for a size of 0.
inline constexpr uint32_t kIconSamples = 8;
RgbaPicture drawIcon(uint32_t size);

}  // namespace pellumir
