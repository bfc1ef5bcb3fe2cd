#pragma once

#include <openexr.h>

#include <cstdint>

#include "io/failure_reason.h"

namespace pellumir {

// Which channels make the picture: red, green and blue, or one grey.
struct ExrChannelChoice {
    int index[3] = {-1, -1, -1};
    bool grey = false;

    int taken() const { return grey ? 1 : 3; }
};

// What the OpenEXR reader needs of a file's first part, once checked.
struct ExrLayout {
    int32_t left = 0;  // the data window's first column and row
    int32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool tiled = false;
    int32_t chunks = 0;        // of the full-resolution level, the only one read
    uint32_t chunkWidth = 0;   // pixels across one chunk: the width, or a tile's
    uint32_t chunkHeight = 0;  // rows of one chunk, or of one tile
    uint32_t tilesAcross = 1;
    ExrChannelChoice choice;
    bool halves = false;  // every channel taken is half: decoded as such, widened here
};

// Whether the first part of the file open in `context`, of fileSize bytes,
// is a picture the reader can take, and how it is stored: its channels
// chosen, the picture within the pixel cap and the memory budget, and every
// chunk with room in the file. Returns 1, or 0 with the first cause of the
// refusal in `reason`.
int checkExrLayout(exr_const_context_t context, uint64_t fileSize, FailureReason* reason,
                   ExrLayout& layout);

}  // namespace pellumir
