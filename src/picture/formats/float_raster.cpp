#include "picture/formats/float_raster.h"

#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "io/read_progress.h"
#include "picture/memory_budget.h"

namespace pellumir {

std::optional<uint64_t> bytesLeftIn(std::FILE* file) {
    long position = std::ftell(file);
    if (position < 0) return std::nullopt;
    int fd = fileno(file);
    if (fd >= 0) {
        struct stat info {};
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
        return info.st_size > position ? static_cast<uint64_t>(info.st_size - position) : 0;
    }
    // Memory streams have no descriptor but can seek to their end.
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    long end = std::ftell(file);
    if (std::fseek(file, position, SEEK_SET) != 0 || end < 0) return std::nullopt;
    return end > position ? static_cast<uint64_t>(end - position) : 0;
}

// IEEE 754 binary16 to single precision: every half is exactly a float.
float halfToFloat(uint16_t half) {
    uint32_t sign = uint32_t{half & 0x8000u} << 16;
    uint32_t exponent = (half >> 10) & 0x1f;
    uint32_t mantissa = half & 0x3ffu;
    uint32_t bits = 0;
    if (exponent == 0x1f) {
        bits = sign | 0x7f800000u | (mantissa << 13);  // infinity or NaN
    } else if (exponent != 0) {
        bits = sign | ((exponent + 112) << 23) | (mantissa << 13);
    } else if (mantissa != 0) {
        // Subnormal: mantissa × 2^-24, exact in a float.
        float value = std::ldexp(static_cast<float>(mantissa), -24);
        return sign ? -value : value;
    } else {
        bits = sign;
    }
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void encodeFloatRow(const float* floats, uint32_t stride, bool grey, uint32_t width,
                    RgbePixel* out) {
    if (grey) {
        for (uint32_t i = 0; i < width; ++i, floats += stride) {
            double v = floats[0];
            encodeRgbe(out[i], v, v, v);
        }
        return;
    }
    for (uint32_t i = 0; i < width; ++i, floats += stride) {
        encodeRgbe(out[i], floats[0], floats[1], floats[2]);
    }
}

namespace {

void reverseBytes(float* floats, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &floats[i], sizeof bits);
        bits = __builtin_bswap32(bits);
        std::memcpy(&floats[i], &bits, sizeof bits);
    }
}

}  // namespace

std::string claimText(uint64_t width, uint64_t height, uint64_t bytes) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "the header claims %llu × %llu pixels but the file holds %llu bytes",
                  static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                  static_cast<unsigned long long>(bytes));
    return text;
}

std::string claimAfterHeaderText(uint64_t width, uint64_t height, uint64_t bytes) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "the header claims %llu × %llu pixels but only %llu bytes follow it",
                  static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                  static_cast<unsigned long long>(bytes));
    return text;
}

std::string tooLargeText(uint64_t width, uint64_t height) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "a picture of %llu × %llu pixels is more than the memory allows",
                  static_cast<unsigned long long>(width), static_cast<unsigned long long>(height));
    return text;
}

int readFloatRaster(RgbeImage& image, std::FILE* file, const FloatRaster& raster,
                    FailureReason* reason) {
    const uint64_t floatsPerPixel = raster.colour ? 3 : 1;
    uint64_t rowFloats = 0;
    uint64_t rowBytes = 0;
    uint64_t rasterBytes = 0;
    if (raster.width == 0 || raster.height == 0) {
        image.release();
        return failWith(reason, "the picture has no pixels");
    }
    if (!checkedProduct(raster.width, floatsPerPixel, rowFloats) ||
        !checkedProduct(rowFloats, sizeof(float), rowBytes) ||
        !checkedProduct(rowBytes, raster.height, rasterBytes) || !withinMemoryBudget(rowBytes) ||
        rowBytes > SIZE_MAX) {
        image.release();
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    // Nor may a picture be read that could not be shown.
    if (!pictureFitsInMemory(raster.width, raster.height)) {
        image.release();
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    // A file too short for its rows fails before the picture asks for
    // memory: a 20-byte file cannot hold 65536 x 65536 pixels.
    std::optional<uint64_t> left = bytesLeftIn(file);
    if (left && *left < rasterBytes) {
        image.release();
        if (!raster.headerless) {
            return failWith(reason, claimAfterHeaderText(raster.width, raster.height, *left));
        }
        char text[128];
        std::snprintf(text, sizeof text, "%u × %u pixels need %llu bytes but the file holds %llu",
                      raster.width, raster.height, static_cast<unsigned long long>(rasterBytes),
                      static_cast<unsigned long long>(*left));
        return failWith(reason, text);
    }

    image.allocate(raster.width, raster.height);
    if (image.empty()) return failWith(reason, tooLargeText(raster.width, raster.height));
    auto* row = static_cast<float*>(std::malloc(rowBytes));
    if (!row) {
        image.release();
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    const bool reverse = raster.bigEndian != (std::endian::native == std::endian::big);
    const bool grey = !raster.colour;
    for (uint32_t r = 0; r < raster.height; ++r) {
        if (!reportReadProgress(r, raster.height)) {
            std::free(row);
            image.release();
            return failWith(reason, kReadingStoppedText);
        }
        if (std::fread(row, sizeof(float), rowFloats, file) != rowFloats) {
            bool error = std::ferror(file) != 0;
            std::free(row);
            image.release();
            char text[64];
            std::snprintf(
                text, sizeof text,
                error ? "the file cannot be read past scanline %u" : "the file ends in scanline %u",
                r);
            return failWith(reason, text);
        }
        if (reverse) reverseBytes(row, rowFloats);
        // File row r is picture row height - 1 - r: the flip happens as the
        // rows arrive instead of in a second pass over the picture.
        encodeFloatRow(row, static_cast<uint32_t>(floatsPerPixel), grey, raster.width,
                       image.rows[raster.height - 1 - r]);
    }
    std::free(row);
    return 1;
}

}  // namespace pellumir
