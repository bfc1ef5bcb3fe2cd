#include "picture/formats/float_tiff.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "io/read_progress.h"
#include "picture/formats/float_raster.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

// "r" for reading, "m" to leave memory mapping off: a file cut short under
// a mapping would end the process with SIGBUS instead of failing the read.
constexpr const char* kOpenMode = "rm";

// The largest single block libtiff may ask for on our behalf. Reading
// scanline by scanline it needs row-sized buffers, the arrays of strip
// offsets and the bytes of one stored strip (no more than the file holds),
// so twice the file size is plenty; the floor keeps ordinary files clear
// of it. Without a cap a directory of a few bytes can claim gigabytes.
constexpr uint64_t kSmallestAllocationCap = uint64_t{256} << 20;

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffOptions = std::unique_ptr<TIFFOpenOptions, OptionsFreer>;

uint64_t allocationCap(uint64_t fileSize) {
    uint64_t cap =
        std::max(kSmallestAllocationCap, fileSize > UINT64_MAX / 2 ? UINT64_MAX : fileSize * 2);
    return std::min<uint64_t>(cap, static_cast<uint64_t>(INT64_MAX));
}

TiffOptions openOptions(uint64_t fileSize) {
    TiffOptions options(TIFFOpenOptionsAlloc());
    if (!options) return options;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(allocationCap(fileSize)));
    return options;
}

// What the reader needs of the first directory, once checked.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;  // TIFF's default for a missing SamplesPerPixel
    uint64_t scanlineBytes = 0;
};

// Whether each scanline holds `width` pixels of `samples` 32-bit floats,
// pixel after pixel, as the conversion takes them.
bool readableLayout(TIFF* tiff, uint64_t fileSize, TiffLayout& layout) {
    uint16_t bits = 0;
    uint16_t format =
        SAMPLEFORMAT_IEEEFP;  // files without the field have always been read as float
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    if (layout.width == 0 || layout.height == 0 || bits != 32 || format != SAMPLEFORMAT_IEEEFP ||
        planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tiff)) {
        return false;
    }
    // Colour takes three floats a pixel; two samples would leave the last
    // pixel's blue past the end of the row.
    if (layout.samples == 0 || layout.samples == 2) return false;

    uint64_t pixelFloats = 0;
    uint64_t rowBytes = 0;
    if (!checkedProduct(layout.width, layout.samples, pixelFloats) ||
        !checkedProduct(pixelFloats, sizeof(float), rowBytes)) {
        return false;
    }
    layout.scanlineBytes = TIFFScanlineSize64(tiff);
    // The scanline buffer is held to libtiff's own cap: a compressed row of
    // gigabytes could only come from a file of gigabytes.
    if (layout.scanlineBytes < rowBytes || !withinMemoryBudget(layout.scanlineBytes) ||
        layout.scanlineBytes > allocationCap(fileSize)) {
        return false;
    }
    // Stored as they are, the rows must all be in the file: one too short
    // for them fails before the picture asks for memory.
    uint64_t rasterBytes = 0;
    if (compression == COMPRESSION_NONE &&
        (!checkedProduct(layout.scanlineBytes, layout.height, rasterBytes) ||
         rasterBytes > fileSize)) {
        return false;
    }
    return true;
}

int readOpenTiff(RgbeImage& image, TIFF* tiff, uint64_t fileSize) {
    TiffLayout layout;
    if (!readableLayout(tiff, fileSize, layout)) return 0;
    // Every row is decoded whole before it is converted, or the read fails,
    // so the buffer needs no clearing.
    void* scanline = _TIFFmalloc(static_cast<tmsize_t>(layout.scanlineBytes));
    if (!scanline) return 0;
    // The first row is decoded before the picture is asked for: compressed
    // strips do not say how far they decode, and a few bytes that claim
    // billions of pixels must fail without taking their memory.
    if (TIFFReadScanline(tiff, scanline, 0, 0) < 0) {
        _TIFFfree(scanline);
        return 0;
    }
    image.allocate(layout.width, layout.height);
    if (image.empty()) {
        _TIFFfree(scanline);
        return 0;
    }
    const auto* floats = static_cast<const float*>(scanline);
    const bool grey = layout.samples == 1;
    for (uint32_t r = 0; r < layout.height; ++r) {
        // A row libtiff cannot deliver fails the read, as a short file does
        // in the other readers, rather than showing a stale row.
        if (!reportReadProgress(r, layout.height) ||
            (r > 0 && TIFFReadScanline(tiff, scanline, r, 0) < 0)) {
            _TIFFfree(scanline);
            image.release();
            return 0;
        }
        encodeFloatRow(floats, layout.samples, grey, layout.width, image.rows[r]);
    }
    _TIFFfree(scanline);
    return 1;
}

// A whole file in memory, as libtiff's client procedures see it.
struct MemoryStream {
    const uint8_t* data;
    uint64_t size;
    uint64_t position;
};

tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (size <= 0 || stream->position >= stream->size) return 0;
    uint64_t count =
        std::min<uint64_t>(static_cast<uint64_t>(size), stream->size - stream->position);
    std::memcpy(buffer, stream->data + stream->position, count);
    stream->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeMemory(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(handle);
    // As lseek: the offset is signed for SEEK_CUR and SEEK_END, and a
    // position beyond the end is allowed (reads there give nothing).
    auto delta = static_cast<int64_t>(offset);
    int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<int64_t>(stream->position);
    } else if (whence == SEEK_END) {
        base = static_cast<int64_t>(stream->size);
    } else if (whence != SEEK_SET) {
        return static_cast<toff_t>(-1);
    }
    if (whence == SEEK_SET) {
        if (offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
        stream->position = offset;
        return offset;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, delta, &target) || target < 0) return static_cast<toff_t>(-1);
    stream->position = static_cast<uint64_t>(target);
    return stream->position;
}

int closeMemory(thandle_t) {
    return 0;
}

toff_t sizeOfMemory(thandle_t handle) {
    return static_cast<MemoryStream*>(handle)->size;
}

int mapMemory(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapMemory(thandle_t, void*, toff_t) {}

}  // namespace

int readFloatTiff(RgbeImage& image, const std::string& path) {
    image.release();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return 0;
    }
    auto fileSize = static_cast<uint64_t>(info.st_size);
    TiffOptions options = openOptions(fileSize);
    // TIFFOpen's own way: open, then hand the descriptor over. Once libtiff
    // has it, TIFFClose closes it.
    TiffHandle tiff(options ? TIFFFdOpenExt(fd, path.c_str(), kOpenMode, options.get()) : nullptr);
    if (!tiff) {
        close(fd);
        return 0;
    }
    return readOpenTiff(image, tiff.get(), fileSize);
}

int readFloatTiffFromMemory(RgbeImage& image, const uint8_t* data, size_t size) {
    image.release();
    TiffOptions options = openOptions(size);
    if (!options) return 0;
    MemoryStream stream{data, size, 0};
    TiffHandle tiff(TIFFClientOpenExt("memory", kOpenMode, &stream, readMemory, writeMemory,
                                      seekMemory, closeMemory, sizeOfMemory, mapMemory, unmapMemory,
                                      options.get()));
    if (!tiff) return 0;
    return readOpenTiff(image, tiff.get(), size);
}

}  // namespace pellumir
