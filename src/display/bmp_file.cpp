#include <cstdint>

#include "display/display_bitmap.h"
#include "io/failure_reason.h"
#include "io/safe_output.h"

namespace pellumir {

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes;

// Little-endian fields, written one by one: the layout of the file never
// depends on how the compiler lays out a struct.
struct LittleEndian {
    uint8_t* at;
    void u16(uint16_t v) {
        *at++ = static_cast<uint8_t>(v);
        *at++ = static_cast<uint8_t>(v >> 8);
    }
    void u32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            *at++ = static_cast<uint8_t>(v >> shift);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
};

}  // namespace

int DisplayBitmap::writeBmpHeaders(const BitmapInfoHeader& header, ByteSink& out) {
    if (header.biWidth < 0 || header.biHeight < 0) return 0;
    uint64_t stride = (uint64_t(uint32_t(header.biWidth)) * 3 + 3) & ~uint64_t{3};
    uint64_t fileSize = kPixelOffset + stride * uint32_t(header.biHeight);
    // Both factors are below 2^32, so the product fits; the field does not
    // always.
    if (fileSize > UINT32_MAX) return 0;

    uint8_t fileHeader[kFileHeaderBytes];
    LittleEndian file{fileHeader};
    *file.at++ = 'B';
    *file.at++ = 'M';
    file.u32(static_cast<uint32_t>(fileSize));
    file.u16(0);
    file.u16(0);
    file.u32(kPixelOffset);
    if (out.write(fileHeader, sizeof fileHeader) != sizeof fileHeader) return 0;

    uint8_t infoHeader[kInfoHeaderBytes];
    LittleEndian info{infoHeader};
    info.u32(header.biSize);
    info.i32(header.biWidth);
    info.i32(header.biHeight);
    info.u16(header.biPlanes);
    info.u16(header.biBitCount);
    info.u32(header.biCompression);
    info.u32(header.biSizeImage);
    info.i32(header.biXPelsPerMeter);
    info.i32(header.biYPelsPerMeter);
    info.u32(header.biClrUsed);
    info.u32(header.biClrImportant);
    if (out.write(infoHeader, sizeof infoHeader) != sizeof infoHeader) return 0;
    return 1;
}

int DisplayBitmap::writeBmp(ByteSink& out, FailureReason* reason) const {
    if (empty()) return failWith(reason, kNothingToSaveText);
    if (!writeBmpHeaders(header, out)) {
        if (out.error() == 0) return failWith(reason, "the picture is too large for a BMP file");
        return failWithSystemError(reason, out.error());
    }
    size_t blockBytes = static_cast<size_t>(stride) * height;
    if (out.write(rows[0], blockBytes) != blockBytes) {
        return failWithSystemError(reason, out.error());
    }
    return 1;
}

int DisplayBitmap::writeBmp(const std::string& path, FailureReason* reason) const {
    // Refused before the target is touched, so that the refusal is the cause.
    if (empty()) return failWith(reason, kNothingToSaveText);
    return writeSafely(path, reason, [&](ByteSink& out) { return writeBmp(out, reason); });
}

}  // namespace pellumir
