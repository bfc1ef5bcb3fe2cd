#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

namespace pellumir {

// The largest single block libtiff may ask for on a reader's behalf, and the
// largest decoded strip or tile a reader asks for, for a file of fileSize
// bytes. Without a cap a directory of a few bytes can claim gigabytes.
uint64_t tiffAllocationCap(uint64_t fileSize);

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// What libtiff said while one file was open: its first error, kept as the
// cause of a failure that has no better one. Warnings are dropped.
struct TiffMessages {
    std::string firstError;
    bool noMemory = false;  // the open failed for want of memory for its options
};

// Opens the file libtiff reads through descriptor fd, of fileSize bytes,
// without memory mapping. Its errors and warnings go to `messages`, never to
// libtiff's process-wide handlers, so a damaged file prints nothing, and no
// single allocation of libtiff's may pass tiffAllocationCap(fileSize). On
// success libtiff owns fd and TIFFClose closes it; on failure it is closed
// here. `messages` must outlive the handle.
TiffHandle openTiffDescriptor(int fd, const std::string& name, uint64_t fileSize,
                              TiffMessages& messages);

// A whole file in memory, as libtiff's client procedures see it.
struct TiffMemory {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
};

// The same for a file held in memory; `memory` must outlive the handle.
TiffHandle openTiffMemory(TiffMemory& memory, TiffMessages& messages);

}  // namespace pellumir
