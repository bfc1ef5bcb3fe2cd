#include "picture/formats/float_raster.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "io/byte_input.h"
#include "io/read_progress.h"
#include "picture/formats/float_samples.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

void reverseBytes(float* floats, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &floats[i], sizeof bits);
        bits = __builtin_bswap32(bits);
        std::memcpy(&floats[i], &bits, sizeof bits);
    }
}

// One of the texts below for a picture of width × height pixels and, where
// the text names them, `bytes` bytes.
std::string sizeText(const char* format, uint64_t width, uint64_t height, uint64_t bytes = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(width),
                  static_cast<unsigned long long>(height), static_cast<unsigned long long>(bytes));
    return text;
}

}  // namespace

std::string claimText(uint64_t width, uint64_t height, uint64_t bytes) {
    return sizeText("the header claims %llu × %llu pixels but the file holds %llu bytes", width,
                    height, bytes);
}

std::string claimAfterHeaderText(uint64_t width, uint64_t height, uint64_t bytes) {
    return sizeText("the header claims %llu × %llu pixels but only %llu bytes follow it", width,
                    height, bytes);
}

std::string tooLargeText(uint64_t width, uint64_t height) {
    return sizeText("a picture of %llu × %llu pixels is more than the memory allows", width,
                    height);
}

namespace {

// Whether the raster can be read: pixels, within the memory budget, and,
// when the stream has a size, all in it. rowFloats: the floats of one row.
int checkRaster(std::FILE* file, const FloatRaster& raster, uint64_t& rowFloats,
                FailureReason* reason) {
    const uint64_t floatsPerPixel = raster.colour ? 3 : 1;
    uint64_t rowBytes = 0;
    uint64_t rasterBytes = 0;
    if (raster.width == 0 || raster.height == 0)
        return failWith(reason, "the picture has no pixels");
    if (!checkedProduct(raster.width, floatsPerPixel, rowFloats) ||
        !checkedProduct(rowFloats, sizeof(float), rowBytes) ||
        !checkedProduct(rowBytes, raster.height, rasterBytes) || !withinMemoryBudget(rowBytes) ||
        rowBytes > SIZE_MAX) {
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    // Nor may a picture be read that could not be shown.
    if (!pictureFitsInMemory(raster.width, raster.height)) {
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    // A file too short for its rows fails before the picture asks for
    // memory: a 20-byte file cannot hold 65536 x 65536 pixels.
    std::optional<uint64_t> left = bytesLeftIn(file);
    if (left && *left < rasterBytes) {
        if (!raster.headerless) {
            return failWith(reason, claimAfterHeaderText(raster.width, raster.height, *left));
        }
        char text[128];
        std::snprintf(text, sizeof text, "%u × %u pixels need %llu bytes but the file holds %llu",
                      raster.width, raster.height, static_cast<unsigned long long>(rasterBytes),
                      static_cast<unsigned long long>(*left));
        return failWith(reason, text);
    }
    return 1;
}

// Reads the rows into the allocated picture, bottom row first.
int readRows(RgbeImage& image, std::FILE* file, const FloatRaster& raster, float* row,
             uint64_t rowFloats, FailureReason* reason) {
    const bool reverse = raster.bigEndian != (std::endian::native == std::endian::big);
    SampleRow samples;
    samples.red = reinterpret_cast<const uint8_t*>(row);
    samples.green = raster.colour ? samples.red + sizeof(float) : samples.red;
    samples.blue = raster.colour ? samples.red + 2 * sizeof(float) : samples.red;
    samples.pixelStep = (raster.colour ? 3 : 1) * sizeof(float);
    samples.sampleBytes = sizeof(float);
    for (uint32_t r = 0; r < raster.height; ++r) {
        if (!reportReadProgress(r, raster.height)) return failWith(reason, kReadingStoppedText);
        if (std::fread(row, sizeof(float), rowFloats, file) != rowFloats) {
            return failWith(reason, std::ferror(file) != 0 ? unreadablePastScanlineText(r)
                                                           : endsInScanlineText(r));
        }
        if (reverse) reverseBytes(row, rowFloats);
        // File row r is picture row height - 1 - r: the flip happens as the
        // rows arrive instead of in a second pass over the picture.
        encodeSampleRow(samples, raster.width, image.rows[raster.height - 1 - r]);
    }
    return 1;
}

}  // namespace

int readFloatRaster(RgbeImage& image, std::FILE* file, const FloatRaster& raster,
                    FailureReason* reason) {
    uint64_t rowFloats = 0;
    if (!checkRaster(file, raster, rowFloats, reason)) {
        image.release();
        return 0;
    }
    image.allocate(raster.width, raster.height);
    if (image.empty()) return failWith(reason, tooLargeText(raster.width, raster.height));
    std::unique_ptr<float[]> row(new (std::nothrow) float[rowFloats]);
    if (!row) {
        image.release();
        return failWith(reason, tooLargeText(raster.width, raster.height));
    }
    if (!readRows(image, file, raster, row.get(), rowFloats, reason)) {
        image.release();
        return 0;
    }
    return 1;
}

}  // namespace pellumir
