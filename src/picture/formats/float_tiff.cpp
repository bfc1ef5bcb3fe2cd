#include "picture/formats/float_tiff.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "io/input_file.h"
#include "io/read_progress.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"
#include "picture/formats/float_samples.h"
#include "picture/formats/tiff_layout.h"
#include "picture/formats/tiff_open.h"

namespace pellumir {

namespace {

// Where the reader is told of the first thing libtiff could not do, and what
// it knows of the file.
struct TiffContext {
    FailureReason* reason = nullptr;
    TiffMessages messages;  // libtiff's first error, kept for a cause without a better one
    uint64_t fileSize = 0;
};

// The cause of a failure, with libtiff's first error after it when there is one.
int failWithLibtiffMessage(const TiffContext& context, std::string text) {
    if (!context.messages.firstError.empty()) text += ": " + context.messages.firstError;
    return failWith(context.reason, text);
}

// The decoded strips or tiles of one block position: one buffer for
// pixel-interleaved samples, one a plane (red, green, blue) for separate ones.
struct BlockBuffers {
    std::unique_ptr<uint8_t[]> plane[3];
    int count = 0;
};

bool allocateBuffers(const TiffLayout& layout, BlockBuffers& buffers) {
    buffers.count = layout.separatePlanes ? layout.taken : 1;
    for (int p = 0; p < buffers.count; ++p) {
        // Every block is decoded whole before it is converted, or the read
        // fails, so the buffers need no clearing.
        buffers.plane[p].reset(new (std::nothrow) uint8_t[layout.blockBytes]);
        if (!buffers.plane[p]) return false;
    }
    return true;
}

// Decodes the block at block column bx, block row by into the buffers.
int readBlock(TIFF* tiff, TiffContext& context, const TiffLayout& layout, uint32_t bx, uint32_t by,
              BlockBuffers& buffers) {
    const uint32_t x = bx * layout.blockWidth;
    const uint32_t y = by * layout.blockHeight;
    for (int p = 0; p < buffers.count; ++p) {
        const auto plane = static_cast<uint16_t>(p);
        uint32_t block =
            layout.tiled ? TIFFComputeTile(tiff, x, y, 0, plane) : TIFFComputeStrip(tiff, y, plane);
        // A block that reaches past the end of the file names the place where
        // the file was cut short, which libtiff's message does not.
        int failed = 0;
        uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, block, &failed);
        uint64_t count = failed ? 0 : TIFFGetStrileByteCountWithErr(tiff, block, &failed);
        if (!failed && (offset > context.fileSize || count > context.fileSize - offset)) {
            return failWith(context.reason, endsInScanlineText(y));
        }
        tmsize_t got = layout.tiled
                           ? TIFFReadTile(tiff, buffers.plane[p].get(), x, y, 0, plane)
                           : TIFFReadEncodedStrip(tiff, block, buffers.plane[p].get(),
                                                  static_cast<tmsize_t>(layout.blockBytes));
        uint32_t rows = std::min(layout.blockHeight, layout.height - y);
        uint64_t rowBytes = uint64_t{layout.blockWidth} * layout.bytesPerSample *
                            (layout.separatePlanes ? 1 : layout.samples);
        // The last strip decodes only the rows that are left.
        if (got < 0 || static_cast<uint64_t>(got) < rowBytes * rows) {
            return failWithLibtiffMessage(context, undecodableScanlineText(y));
        }
    }
    return 1;
}

// Encodes the decoded block at block column bx, block row by into the picture.
void encodeBlock(const TiffLayout& layout, uint32_t bx, uint32_t by, const BlockBuffers& buffers,
                 RgbeImage& image) {
    const uint32_t x0 = bx * layout.blockWidth;
    const uint32_t y0 = by * layout.blockHeight;
    const uint32_t columns = std::min(layout.blockWidth, layout.width - x0);
    const uint32_t rows = std::min(layout.blockHeight, layout.height - y0);
    const size_t size = layout.bytesPerSample;
    // Bytes from one pixel to the next within a buffer, and from one row of
    // the block to the next.
    SampleRow row;
    row.sampleBytes = layout.bytesPerSample;
    row.pixelStep = layout.separatePlanes ? size : size * layout.samples;
    const size_t rowStep = row.pixelStep * layout.blockWidth;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* first = buffers.plane[0].get() + r * rowStep;
        row.red = first;
        if (layout.taken == 1) {
            row.green = row.blue = first;
        } else if (layout.separatePlanes) {
            row.green = buffers.plane[1].get() + r * rowStep;
            row.blue = buffers.plane[2].get() + r * rowStep;
        } else {
            row.green = first + size;
            row.blue = first + 2 * size;
        }
        encodeSampleRow(row, columns, image.rows[y0 + r] + x0);
    }
}

int readOpenTiff(RgbeImage& image, TIFF* tiff, TiffContext& context) {
    TiffLayout layout;
    if (!readableLayout(tiff, context.fileSize, layout, context.reason)) return 0;
    BlockBuffers buffers;
    if (!allocateBuffers(layout, buffers)) {
        return failWith(context.reason, "there is not enough memory for the TIFF strips");
    }
    // The first block is decoded before the picture is asked for: compressed
    // blocks do not say how far they decode, and a few bytes that claim
    // billions of pixels must fail without taking their memory.
    if (!readBlock(tiff, context, layout, 0, 0, buffers)) return 0;
    image.allocate(layout.width, layout.height);
    if (image.empty()) return failWith(context.reason, tooLargeText(layout.width, layout.height));
    for (uint32_t by = 0; by < layout.blocksDown; ++by) {
        if (!reportReadProgress(uint64_t{by} * layout.blockHeight, layout.height)) {
            image.release();
            return failWith(context.reason, kReadingStoppedText);
        }
        for (uint32_t bx = 0; bx < layout.blocksAcross; ++bx) {
            // A block libtiff cannot deliver fails the read, as a short file
            // does in the other readers, rather than showing stale pixels.
            if ((bx > 0 || by > 0) && !readBlock(tiff, context, layout, bx, by, buffers)) {
                image.release();
                return 0;
            }
            encodeBlock(layout, bx, by, buffers, image);
        }
    }
    return 1;
}

// Why libtiff could not open the file: not a TIFF file at all, or one whose
// first directory it could not take.
int openFailed(TiffContext& context, const uint8_t* start, size_t size) {
    bool tiffMagic = size >= 4 && ((start[0] == 'I' && start[1] == 'I' && start[3] == 0 &&
                                    (start[2] == 42 || start[2] == 43)) ||
                                   (start[0] == 'M' && start[1] == 'M' && start[2] == 0 &&
                                    (start[3] == 42 || start[3] == 43)));
    if (!tiffMagic) return failWith(context.reason, "the file is not a TIFF file");
    return failWithLibtiffMessage(context, "the TIFF file's first directory cannot be read");
}

}  // namespace

int readFloatTiff(RgbeImage& image, const std::string& path, FailureReason* reason) {
    image.release();
    // The readers' one door: never blocks, regular files only. The header
    // libtiff reads is held by its own limits (at most 4096 directory
    // entries, no array beyond the file) and by the allocation cap.
    TiffContext context;
    context.reason = reason;
    int fd = openInputFile(path, &context.fileSize);
    if (fd < 0) return failWithFileError(reason, errno);
    uint8_t start[4] = {};
    ssize_t got = pread(fd, start, sizeof start, 0);
    TiffHandle tiff = openTiffDescriptor(fd, path, context.fileSize, context.messages);
    if (!tiff) return openFailed(context, start, got > 0 ? static_cast<size_t>(got) : 0);
    return readOpenTiff(image, tiff.get(), context);
}

int readFloatTiffFromMemory(RgbeImage& image, const uint8_t* data, size_t size,
                            FailureReason* reason) {
    image.release();
    TiffContext context;
    context.reason = reason;
    context.fileSize = size;
    TiffMemory memory{data, size, 0};
    TiffHandle tiff = openTiffMemory(memory, context.messages);
    if (!tiff && context.messages.noMemory) {
        return failWith(reason, "there is not enough memory to open the TIFF file");
    }
    if (!tiff) return openFailed(context, data, size);
    return readOpenTiff(image, tiff.get(), context);
}

}  // namespace pellumir
