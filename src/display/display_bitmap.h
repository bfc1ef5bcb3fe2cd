#pragma once

#include <cstdint>
#include <string>

#include "display/window_texts.h"
#include "picture/rgbe_image.h"

namespace pellumir {

class ByteSink;
class FailureReason;

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
    std::string name = kUnnamed;

    DisplayBitmap() = default;
    ~DisplayBitmap() { release(); }
    DisplayBitmap(const DisplayBitmap&) = delete;
    DisplayBitmap& operator=(const DisplayBitmap&) = delete;

    bool empty() const { return rows == nullptr; }
    // The block: the bottom picture row first.
    const uint8_t* pixels() const { return rows ? rows[0] : nullptr; }

    // Storage for newWidth x newHeight, kept when the size is unchanged and
    // reused when only the shape changes (the pixels are then left over from
    // the old shape); empty on failure or for a width or height of 0. Fill
    // bytes are 0.
    void allocate(uint32_t newWidth, uint32_t newHeight);
    void fillHeader();
    // Converts the picture (width x height pixels, row after row, top row
    // first) through a tone table made for the exposure and gamma. Returns 1,
    // or 0 when there is no storage for it; a picture without pixels, width
    // or height is not built and leaves the bitmap as it was.
    int build(const RgbePixel* pixels, uint32_t pictureWidth, uint32_t pictureHeight,
              float exposure, float gamma);
    // Writes the bitmap as a BMP file into `out`. 1 on success; 0 on failure
    // (`out` taking not all of it, a size the headers cannot describe), and
    // for an empty bitmap, which writes nothing.
    int writeBmp(ByteSink& out, FailureReason* reason = nullptr) const;
    // The same into a file, replacing a file at path only when every byte
    // was written (writeSafely).
    int writeBmp(const std::string& path, FailureReason* reason = nullptr) const;
    // The 14-byte file header, sized from the header's width and height, then
    // the 40-byte header, little-endian field by field. 1 on success, 0 when
    // the output failed or the file size cannot be described in 32 bits.
    static int writeBmpHeaders(const BitmapInfoHeader& header, ByteSink& out);
    void release();

  private:
    // The block for rows of rowBytes in the new shape: the present one when
    // it may be kept, else a fresh zeroed one (null when there is none).
    // The row pointers are freed either way.
    uint8_t* takeBlock(uint32_t newWidth, uint32_t newHeight, uint64_t rowBytes,
                       uint64_t blockBytes);
    // The bytes of the block, which may exceed stride x height after a
    // change of shape.
    uint64_t capacity_ = 0;
};

}  // namespace pellumir
