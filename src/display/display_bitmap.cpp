#include "display/display_bitmap.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "display/tone_conversion.h"
#include "display/tone_table.h"
#include "picture/row_block.h"
#include "picture/two_cores.h"

namespace pellumir {

namespace {

constexpr int32_t kPixelsPerMetre = 2834;  // 72 dots per inch

}  // namespace

void DisplayBitmap::allocate(uint32_t newWidth, uint32_t newHeight) {
    if (rows && newWidth == width && newHeight == height) return;
    // 3 bytes a pixel, rows padded to a multiple of 4 bytes; the header's
    // fields are signed 32-bit, so larger bitmaps cannot be described.
    uint64_t rowBytes = (uint64_t{newWidth} * 3 + 3) & ~uint64_t{3};
    uint64_t blockBytes = 0;
    if (newWidth == 0 || newHeight == 0 || rowBytes > INT32_MAX || newHeight > INT32_MAX ||
        !rowBlockFits(rowBytes, newHeight, blockBytes)) {
        release();
        return;
    }
    uint8_t* block = takeBlock(newWidth, newHeight, rowBytes, blockBytes);
    uint8_t** newRows = block ? pointRows(block, newHeight, rowBytes) : nullptr;
    if (!newRows) {
        std::free(block);
        release();
        return;
    }
    rows = newRows;
    stride = static_cast<int32_t>(rowBytes);
    width = newWidth;
    height = newHeight;
    fillHeader();
}

uint8_t* DisplayBitmap::takeBlock(uint32_t newWidth, uint32_t newHeight, uint64_t rowBytes,
                                  uint64_t blockBytes) {
    // A turned picture needs the same bytes in another shape: the present
    // block is kept when it holds them and is not more than twice as large,
    // which spares the fresh pages of a new block.
    if (rows && blockBytes <= capacity_ && capacity_ / 2 <= blockBytes) {
        uint8_t* block = rows[0];
        std::free(rows);
        rows = nullptr;
        // The old pixels may now lie where rows end in fill bytes.
        uint64_t pixelBytes = uint64_t{newWidth} * 3;
        if (pixelBytes < rowBytes) {
            for (uint32_t k = 0; k < newHeight; ++k)
                std::memset(block + k * rowBytes + pixelBytes, 0, rowBytes - pixelBytes);
        }
        return block;
    }
    release();
    // Zeroed, so that the fill bytes at the end of each row hold a defined
    // value in every BMP file written.
    auto* block = static_cast<uint8_t*>(newRowBlock(blockBytes, BlockFill::zero));
    capacity_ = block ? blockBytes : 0;
    return block;
}

int DisplayBitmap::build(const RgbePixel* pixels, uint32_t pictureWidth, uint32_t pictureHeight,
                         float exposure, float gamma) {
    if (!pixels || pictureWidth == 0 || pictureHeight == 0) return 0;
    allocate(pictureWidth, pictureHeight);
    if (!rows) return 0;

    std::unique_ptr<ToneTable> table(new (std::nothrow) ToneTable);
    if (!table) return 0;
    makeToneTable(*table, exposure, gamma);

    // One half of the rows on each core; the bytes are the same as from one.
    onTwoCores(height, uint64_t{width} * height * sizeof(RgbePixel), 1,
               [&](uint32_t first, uint32_t last) {
                   convertRows(*table, pixels, width, height, rows, first, last);
               });
    fillHeader();
    return 1;
}

void DisplayBitmap::fillHeader() {
    header = {};
    header.biSize = 40;
    header.biWidth = static_cast<int32_t>(width);
    header.biHeight = static_cast<int32_t>(height);  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = 0;  // BI_RGB
    header.biSizeImage = 0;
    header.biXPelsPerMeter = kPixelsPerMetre;
    header.biYPelsPerMeter = kPixelsPerMetre;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
}

void DisplayBitmap::release() {
    freeRows(rows);
    capacity_ = 0;
    width = 0;
    height = 0;
}

}  // namespace pellumir
