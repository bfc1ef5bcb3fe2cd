#include "thumbnailer/display_tiff.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "picture/memory_budget.h"

namespace pellumir {

namespace {

// "m": no memory mapping, so that a file cut short fails the read instead
// of ending the process with SIGBUS.
constexpr const char* kOpenMode = "rm";

// The largest single block libtiff may ask for on our behalf: the raster is
// ours (the picture's own block), so libtiff needs no more than a strip or
// a tile of the file and its tables. The floor keeps ordinary files clear of
// the cap; without one a directory of a few bytes can claim gigabytes.
constexpr uint64_t kSmallestAllocationCap = uint64_t{256} << 20;

constexpr double kDisplayGamma = 2.2;

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffOptions = std::unique_ptr<TIFFOpenOptions, OptionsFreer>;

// (v / 255)^2.2 for every 8-bit value.
struct LinearValues {
    double value[256];
    LinearValues() {
        for (int v = 0; v < 256; ++v)
            value[v] = std::pow(v / 255.0, kDisplayGamma);
    }
};

int readOpenTiff(RgbeImage& image, TIFF* tiff) {
    uint32_t width = 0;
    uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    char message[1024];
    if (width == 0 || height == 0 || !TIFFRGBAImageOK(tiff, message)) return 0;
    // libtiff fills a raster of one 32-bit ABGR word a pixel: the picture's
    // own block has exactly that size, so it serves as the raster and is
    // converted in place, with no second copy of the picture.
    static_assert(sizeof(RgbePixel) == sizeof(uint32_t));
    image.allocate(width, height);
    if (image.empty()) return 0;
    auto* raster = reinterpret_cast<uint32_t*>(image.pixels());
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster, ORIENTATION_TOPLEFT, 1)) {
        image.release();
        return 0;
    }
    static const LinearValues linear;
    const uint64_t count = uint64_t{width} * height;
    RgbePixel* pixels = image.pixels();
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t abgr;
        std::memcpy(&abgr, &pixels[i], sizeof abgr);
        encodeRgbe(pixels[i], linear.value[TIFFGetR(abgr)], linear.value[TIFFGetG(abgr)],
                   linear.value[TIFFGetB(abgr)]);
    }
    return 1;
}

}  // namespace

int readDisplayTiff(RgbeImage& image, const std::string& path) {
    image.release();
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    uint64_t fileSize = static_cast<uint64_t>(status.st_size);
    TiffOptions options(TIFFOpenOptionsAlloc());
    if (!options) return 0;
    uint64_t cap = std::max(kSmallestAllocationCap, std::min(fileSize, UINT64_MAX / 2) * 2);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(std::min<uint64_t>(cap, INT64_MAX)));
    TiffHandle tiff(TIFFOpenExt(path.c_str(), kOpenMode, options.get()));
    if (!tiff) return 0;
    int result = readOpenTiff(image, tiff.get());
    if (result == 0) image.release();
    return result;
}

}  // namespace pellumir
