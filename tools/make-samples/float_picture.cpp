#include "make-samples/float_picture.h"

#include <tiffio.h>

#include <bit>
#include <cstdio>
#include <cstring>

#include "render-scene/scene.h"

namespace pellumir {

namespace {

static_assert(std::endian::native == std::endian::little,
              "the files are written little-endian from the floats as they are in memory");

// Writes the rows bottom row first, after `header`.
bool writeBottomUp(const FloatPicture& picture, const std::string& path,
                   const std::string& header) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    const size_t rowFloats = size_t{picture.width} * 3;
    for (uint32_t r = picture.height; ok && r-- > 0;) {
        ok = std::fwrite(picture.rgb.data() + r * rowFloats, sizeof(float), rowFloats, file) ==
             rowFloats;
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

FloatPicture sceneFloats(uint32_t width, uint32_t height) {
    FloatPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.reserve(size_t{width} * height * 3);
    double aspect = static_cast<double>(width) / height;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            RgbColour c = sceneRadiance((x + 0.5) / width, (y + 0.5) / height, aspect);
            picture.rgb.push_back(static_cast<float>(c.red));
            picture.rgb.push_back(static_cast<float>(c.green));
            picture.rgb.push_back(static_cast<float>(c.blue));
        }
    }
    return picture;
}

bool writePfm(const FloatPicture& picture, const std::string& path) {
    std::string header =
        "PF\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n-1.0\n";
    return writeBottomUp(picture, path, header);
}

bool writeRawFloats(const FloatPicture& picture, const std::string& path) {
    return writeBottomUp(picture, path, "");
}

bool writeFloatTiff(const FloatPicture& picture, const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "wl");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, picture.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, picture.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    const size_t rowFloats = size_t{picture.width} * 3;
    // The predictor works on the row in place, so each row goes through a copy.
    std::vector<float> row(rowFloats);
    bool ok = true;
    for (uint32_t r = 0; ok && r < picture.height; ++r) {
        std::memcpy(row.data(), picture.rgb.data() + r * rowFloats, rowFloats * sizeof(float));
        ok = TIFFWriteScanline(tiff, row.data(), r, 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    return ok;
}

}  // namespace pellumir
