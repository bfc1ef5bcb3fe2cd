#pragma once

#include <cstdint>
#include <string>

#include "picture/rgbe_image.h"

namespace pellumir {

// The Windows BITMAPINFOHEADER, as StretchDIBits takes it and BMP files hold it.
struct BitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

// The picture as shown: 24-bit, bottom-up rows of blue, green, red bytes,
// each row padded to a multiple of 4 bytes. rows[k] holds picture row
// height - 1 - k; all rows lie in one block starting at rows[0].
struct DisplayBitmap {
    uint8_t** rows = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t stride = 0;
    BitmapInfoHeader header{};
    std::string name = "Unnamed";

    DisplayBitmap() = default;
    ~DisplayBitmap() { release(); }
    DisplayBitmap(const DisplayBitmap&) = delete;
    DisplayBitmap& operator=(const DisplayBitmap&) = delete;

    bool empty() const { return rows == nullptr; }
    // The block: the bottom picture row first.
    const uint8_t* pixels() const { return rows ? rows[0] : nullptr; }

    void allocate(uint32_t newWidth, uint32_t newHeight);
    void fillHeader();
    int build(const RgbePixel* pixels, uint32_t pictureWidth, uint32_t pictureHeight,
              float exposure, float gamma);
    int writeBmp(const std::string& path) const;
    void release();
};

}  // namespace pellumir
