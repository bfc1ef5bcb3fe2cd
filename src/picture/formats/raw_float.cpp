#include "picture/formats/raw_float.h"

#include <cerrno>

#include "io/input_file.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"

namespace pellumir {

namespace {

// An empty or non-numeric box gives 0, which would be a picture without a
// pixel; sizes beyond INT32_MAX are beyond what the dialog can mean.
bool validSize(int64_t size) {
    return size >= 1 && size <= INT32_MAX;
}

}  // namespace

int readRawFloat(RgbeImage& image, std::FILE* file, int64_t width, int64_t height, int colour,
                 int swap, FailureReason* reason) {
    if (!validSize(width) || !validSize(height)) {
        image.release();
        return failWith(reason, "the width and the height must be from 1 to 2147483647");
    }
    FloatRaster raster;
    raster.width = static_cast<uint32_t>(width);
    raster.height = static_cast<uint32_t>(height);
    raster.colour = colour != 0;
    raster.bigEndian = swap != 0;
    raster.headerless = true;
    return readFloatRaster(image, file, raster, reason);
}

int readRawFloat(RgbeImage& image, const std::string& path, int64_t width, int64_t height,
                 int colour, int swap, FailureReason* reason) {
    std::FILE* file = openInputStream(path);
    if (!file) {
        image.release();
        return failWithFileError(reason, errno);
    }
    int result = readRawFloat(image, file, width, height, colour, swap, reason);
    std::fclose(file);
    return result;
}

}  // namespace pellumir
