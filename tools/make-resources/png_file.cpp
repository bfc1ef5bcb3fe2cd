#include "make-resources/png_file.h"

#include <png.h>

#include <csetjmp>

#include "io/safe_output.h"

namespace pellumir {

namespace {

constexpr size_t kBytesPerPixel = 4;
// PNG's limit for width and height.
constexpr uint32_t kLargestSide = 0x7FFFFFFF;

// libpng reports errors by longjmp back to the setjmp in encode(); nothing
// between the two has a destructor, so the jump skips no clean-up.
void appendBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void flushNothing(png_structp) {}

void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

bool encode(png_structp png, png_infop info, const RgbaPicture& picture,
            std::vector<uint8_t>& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    // The files are committed: the smallest libpng makes, every row
    // filtered with whichever filter suits it.
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = size_t{picture.width} * kBytesPerPixel;
    for (uint32_t y = 0; y < picture.height; ++y)
        png_write_row(png, picture.pixels.data() + y * rowBytes);
    png_write_end(png, info);
    return true;
}

}  // namespace

std::vector<uint8_t> encodePng(const RgbaPicture& picture) {
    const uint64_t w = picture.width;
    const uint64_t h = picture.height;
    if (w == 0 || h == 0 || w > kLargestSide || h > kLargestSide ||
        picture.pixels.size() != w * h * kBytesPerPixel) {
        return {};
    }
    std::vector<uint8_t> out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    bool written = info && encode(png, info, picture, out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!written) return {};
    return out;
}

bool writePng(const RgbaPicture& picture, const std::string& path) {
    std::vector<uint8_t> bytes = encodePng(picture);
    if (bytes.empty()) return false;
    return writeSafely(path, nullptr, [&](ByteSink& out) {
               return out.write(bytes.data(), bytes.size()) == bytes.size() ? 1 : 0;
           }) == 1;
}

}  // namespace pellumir
