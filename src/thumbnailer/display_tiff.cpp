#include "thumbnailer/display_tiff.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "io/input_file.h"
#include "picture/formats/tiff_open.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

constexpr double kDisplayGamma = 2.2;

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
    // The readers' one door: never blocks, regular files only.
    uint64_t fileSize = 0;
    int fd = openInputFile(path, &fileSize);
    if (fd < 0) return 0;
    // The raster is ours (the picture's own block), so libtiff needs no more
    // than a strip or a tile of the file and its tables, as for the float
    // reader. A failure is no more than a missing thumbnail, so libtiff's
    // messages are kept only to stay off the terminal.
    TiffMessages messages;
    TiffHandle tiff = openTiffDescriptor(fd, path, fileSize, messages);
    if (!tiff) return 0;
    int result = readOpenTiff(image, tiff.get());
    if (result == 0) image.release();
    return result;
}

}  // namespace pellumir
