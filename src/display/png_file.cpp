#include "display/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>

#include "display/display_bitmap.h"
#include "io/safe_output.h"

namespace pellumir {

namespace {

// libpng reports errors by longjmp back to the setjmp in encode(); nothing
// between the two has a destructor, so the jump skips no clean-up.
void writeBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<ByteSink*>(png_get_io_ptr(png));
    if (out->write(data, size) != size) png_error(png, "write failed");
}

void flushNothing(png_structp) {}

// libpng's own message would go to stderr; the caller reports the failure.
void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void quietWarning(png_structp, png_const_charp) {}

bool encode(png_structp png, png_infop info, const PngSource& source, double displayGamma,
            ByteSink& out) {
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

// Why `source` cannot be written, or null. PNG itself allows 2^31 - 1 rows
// and columns.
const char* pngWriteRefusal(const PngSource& source, double displayGamma) {
    if (source.width == 0 || source.height == 0 || !source.row || !(displayGamma > 0))
        return kNothingToSaveText;
    if (source.width > INT32_MAX || source.height > INT32_MAX)
        return "the picture is too large for a PNG file";
    return nullptr;
}

PngSource bitmapSource(const DisplayBitmap& bitmap) {
    PngSource source;
    source.width = bitmap.width;
    source.height = bitmap.height;
    // The bitmap's rows run bottom-up.
    source.row = [&bitmap](uint32_t y) -> const uint8_t* {
        return bitmap.rows[bitmap.height - 1 - y];
    };
    return source;
}

}  // namespace

int writePng(ByteSink& out, const PngSource& source, double displayGamma, FailureReason* reason) {
    if (const char* refusal = pngWriteRefusal(source, displayGamma))
        return failWith(reason, refusal);
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png) return failWithSystemError(reason, ENOMEM);
    png_infop info = png_create_info_struct(png);
    bool written = info && encode(png, info, source, displayGamma, out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    // A failure inside libpng with every write taken was its memory.
    if (!written) return failWithSystemError(reason, out.error() ? out.error() : ENOMEM);
    return 1;
}

int writePng(const std::string& path, const PngSource& source, double displayGamma,
             FailureReason* reason) {
    // Refused before the target is touched, so that the refusal is the cause.
    if (const char* refusal = pngWriteRefusal(source, displayGamma))
        return failWith(reason, refusal);
    return writeSafely(path, reason,
                       [&](ByteSink& out) { return writePng(out, source, displayGamma, reason); });
}

int writeBitmapPng(ByteSink& out, const DisplayBitmap& bitmap, double displayGamma,
                   FailureReason* reason) {
    if (bitmap.empty()) return failWith(reason, kNothingToSaveText);
    return writePng(out, bitmapSource(bitmap), displayGamma, reason);
}

int writeBitmapPng(const std::string& path, const DisplayBitmap& bitmap, double displayGamma,
                   FailureReason* reason) {
    if (bitmap.empty()) return failWith(reason, kNothingToSaveText);
    return writePng(path, bitmapSource(bitmap), displayGamma, reason);
}

}  // namespace pellumir
