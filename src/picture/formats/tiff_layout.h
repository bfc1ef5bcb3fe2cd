#pragma once

#include <tiffio.h>

#include <cstdint>

#include "io/failure_reason.h"

namespace pellumir {

// What the float TIFF reader needs of a file's first directory, once checked.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;         // TIFF's default for a missing SamplesPerPixel
    uint16_t bytesPerSample = 4;  // 2, 4 or 8: half, single or double floats
    uint16_t taken = 1;           // samples used of each pixel: 1 (grey) or 3
    bool separatePlanes = false;  // each sample in blocks of its own
    bool tiled = false;
    uint32_t blockWidth = 0;   // pixels a row of one strip or tile holds
    uint32_t blockHeight = 0;  // rows of one strip or tile
    uint64_t blockBytes = 0;   // bytes of one decoded strip or tile
    uint32_t blocksAcross = 1;
    uint32_t blocksDown = 1;
};

// Whether the first directory of `tiff`, a file of fileSize bytes, holds
// plain float samples the reader can take, and how they are stored: the
// picture within the memory budget, every block within the reader's buffers
// and, uncompressed, every pixel within the file. Returns 1, or 0 with the
// first cause of the refusal in `reason`.
int readableLayout(TIFF* tiff, uint64_t fileSize, TiffLayout& layout, FailureReason* reason);

}  // namespace pellumir
