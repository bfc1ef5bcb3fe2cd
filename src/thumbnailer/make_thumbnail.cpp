#include "thumbnailer/make_thumbnail.h"

#include <unistd.h>

#include <cerrno>

#include "app/picture_files.h"
#include "display/automatic_exposure.h"
#include "display/display_bitmap.h"
#include "display/picture_commands.h"
#include "display/picture_reduction.h"
#include "display/png_file.h"
#include "display/viewer_state.h"
#include "display/window_texts.h"
#include "io/input_file.h"
#include "io/save_target.h"
#include "thumbnailer/display_tiff.h"

namespace pellumir {

namespace {

int fail(std::string& error, const std::string& path, const char* text) {
    error = path + ": " + text;
    return kThumbnailFailed;
}

}  // namespace

int makeThumbnail(const std::string& input, const std::string& output, uint32_t size,
                  std::string& error) {
    // Only regular files: opening a FIFO or a device named like a picture
    // could wait for ever, and file managers never mean one.
    // The readers' own door decides, without blocking.
    int fd = openInputFile(input);
    if (fd < 0) {
        bool notAFile = errno == EISDIR || errno == kNotARegularFile;
        return fail(error, input, notAFile ? kReadErrorMessage : kCannotOpenMessage);
    }
    close(fd);
    PictureKind kind = kindOfFile(input);
    if (kind == PictureKind::unknown || kind == PictureKind::rawFloat)
        return fail(error, input, kUnknownTypeMessage);

    RgbeImage reduced;
    bool displayPicture = false;
    {
        // The whole picture lives only as long as it takes to shrink it.
        RgbeImage picture;
        readPicture(picture, kind, input);
        if (picture.empty() && kind == PictureKind::tiff) {
            displayPicture = readDisplayTiff(picture, input) != 0;
        }
        if (picture.empty()) return fail(error, input, kReadErrorMessage);
        if (!reducePicture(picture, size, reduced)) return fail(error, input, kReadErrorMessage);
    }

    // An ordinary TIFF was made for the display already: it is shown as it
    // was stored, not exposed anew.
    float exposure = displayPicture ? 1.0f : automaticExposure(reduced);
    DisplayBitmap bitmap;
    if (!bitmap.build(reduced.pixels(), reduced.width, reduced.height, exposure, kDisplayGamma))
        return fail(error, output, kSaveError);
    if (!writeBitmapPng(output, bitmap, kDisplayGamma)) return fail(error, output, kSaveError);
    return kThumbnailOk;
}

}  // namespace pellumir
