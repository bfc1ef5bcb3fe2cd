#include "display/display_bitmap.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "display/tone_conversion.h"
#include "display/tone_table.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

constexpr int32_t kPixelsPerMetre = 2834;  // 72 dots per inch

// Pictures from this many pixels up are converted by two threads, one half
// of the rows each: one core cannot keep the memory busy, two nearly halve
// the time of a large build (bench/display_bench.cpp). The bytes are the
// same as from one thread.
constexpr uint64_t kTwoThreadPixels = uint64_t{1} << 20;

}  // namespace

void DisplayBitmap::allocate(uint32_t newWidth, uint32_t newHeight) {
    if (rows && newWidth == width && newHeight == height) return;
    if (rows) release();
    if (newWidth == 0 || newHeight == 0) return;

    // 3 bytes a pixel, rows padded to a multiple of 4 bytes; the header's
    // fields are signed 32-bit, so larger bitmaps cannot be described.
    uint64_t rowBytes = (uint64_t{newWidth} * 3 + 3) & ~uint64_t{3};
    uint64_t blockBytes = 0;
    uint64_t pointerBytes = 0;
    if (rowBytes > INT32_MAX || newHeight > INT32_MAX ||
        !checkedProduct(rowBytes, newHeight, blockBytes) ||
        !checkedProduct(newHeight, sizeof(uint8_t*), pointerBytes) ||
        !withinMemoryBudget(blockBytes) || blockBytes > SIZE_MAX) {
        return;
    }
    auto* newRows = static_cast<uint8_t**>(std::malloc(pointerBytes));
    if (!newRows) return;
    // Zeroed, so that the fill bytes at the end of each row hold a defined
    // value in every BMP file written.
    auto* block = static_cast<uint8_t*>(std::calloc(blockBytes, 1));
    if (!block) {
        std::free(newRows);
        return;
    }
    for (uint32_t k = 0; k < newHeight; ++k)
        newRows[k] = block + uint64_t{k} * rowBytes;
    rows = newRows;
    stride = static_cast<int32_t>(rowBytes);
    width = newWidth;
    height = newHeight;
    fillHeader();
}

int DisplayBitmap::build(const RgbePixel* pixels, uint32_t pictureWidth, uint32_t pictureHeight,
                         float exposure, float gamma) {
    if (!pixels || pictureWidth == 0 || pictureHeight == 0) return 0;
    allocate(pictureWidth, pictureHeight);
    if (!rows) return 0;

    std::unique_ptr<ToneTable> table(new (std::nothrow) ToneTable);
    if (!table) return 0;
    makeToneTable(*table, exposure, gamma);

    uint32_t split = height;
    std::thread helper;
    if (uint64_t{width} * height >= kTwoThreadPixels && std::thread::hardware_concurrency() > 1) {
        split = height / 2;
        // A thread that cannot be started leaves its half to this one.
        try {
            helper = std::thread(convertRows, std::cref(*table), pixels, width, height, rows, split,
                                 height);
        } catch (const std::system_error&) {
            split = height;
        }
    }
    convertRows(*table, pixels, width, height, rows, 0, split);
    if (helper.joinable()) helper.join();
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
    if (rows) {
        std::free(rows[0]);
        std::free(rows);
        rows = nullptr;
    }
    width = 0;
    height = 0;
}

}  // namespace pellumir
