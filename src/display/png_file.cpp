#include "display/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>

#include "display/display_bitmap.h"
#include "io/safe_output.h"
#include "io/save_target.h"

namespace pellumir {

namespace {

// libpng reports errors by longjmp back to the setjmp in encode(); nothing
// between the two has a destructor, so the jump skips no clean-up.
void writeBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<SafeOutput*>(png_get_io_ptr(png));
    if (out->write(data, size) != size) png_error(png, "write failed");
}

void flushNothing(png_structp) {}

// libpng's own message would go to stderr; the caller reports the failure.
void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

bool encode(png_structp png, png_infop info, const PngSource& source, double displayGamma,
            SafeOutput& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, writeBytes, flushNothing);
    png_set_IHDR(png, info, source.width, source.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_gAMA(png, info, 1.0 / displayGamma);
    png_write_info(png, info);
    png_set_bgr(png);
    for (uint32_t y = 0; y < source.height; ++y) {
        const uint8_t* row = source.row(y);
        if (!row) png_error(png, "row missing");
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

int writePng(const std::string& path, const PngSource& source, double displayGamma,
             FailureReason* reason) {
    // PNG itself allows 2^31 - 1 rows and columns.
    if (source.width == 0 || source.height == 0 || !source.row || !(displayGamma > 0))
        return failWith(reason, kNothingToSaveText);
    if (source.width > INT32_MAX || source.height > INT32_MAX)
        return failWith(reason, "the picture is too large for a PNG file");
    SafeOutput out;
    if (!out.open(path)) return failWithFileError(reason, out.error());
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png) return failWithSystemError(reason, ENOMEM);
    png_infop info = png_create_info_struct(png);
    bool written = info && encode(png, info, source, displayGamma, out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    // Returning without commit drops the new file; an old one stays. A
    // failure inside libpng with every write taken was its memory.
    if (!written) return failWithSystemError(reason, out.error() ? out.error() : ENOMEM);
    return out.commit() ? 1 : failWithSystemError(reason, out.error());
}

int writeBitmapPng(const std::string& path, const DisplayBitmap& bitmap, double displayGamma,
                   FailureReason* reason) {
    if (bitmap.empty()) return failWith(reason, kNothingToSaveText);
    PngSource source;
    source.width = bitmap.width;
    source.height = bitmap.height;
    // The bitmap's rows run bottom-up.
    source.row = [&bitmap](uint32_t y) -> const uint8_t* {
        return bitmap.rows[bitmap.height - 1 - y];
    };
    return writePng(path, source, displayGamma, reason);
}

}  // namespace pellumir
