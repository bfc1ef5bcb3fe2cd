#pragma once

#include <cstdint>

#include "io/byte_input.h"

namespace pellumir {

// Orientation flags of a Radiance resolution line.
enum ResolutionFlags : int {
    kXDecreasing = 1,                               // '-' before X: pixels run right to left
    kYDecreasing = 2,                               // '-' before Y: top to bottom
    kYMajor = 4,                                    // Y named first: scanlines are rows
    kStandardOrientation = kYDecreasing | kYMajor,  // -Y height +X width
};

struct Resolution {
    int flags = 0;
    int32_t xSize = 0;
    int32_t ySize = 0;
};

// Parses a resolution line ("-Y 480 +X 640\n"). Returns 1 with the flags
// and both sizes, or 0 for no text, a missing X or Y, or a size not above 0.
int parseResolution(const char* text, Resolution& resolution);

// Reads the resolution line (at most 31 bytes of it; the rest stays in the
// stream). Returns the flags with the scanline length and count, or -1.
int readResolution(ByteInput& in, uint32_t& scanlineLength, uint32_t& scanlineCount);

}  // namespace pellumir
