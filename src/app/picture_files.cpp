#include "app/picture_files.h"

#include <strings.h>

#include <cerrno>

#include "io/input_file.h"
#include "picture/formats/float_tiff.h"
#include "picture/formats/openexr.h"
#include "picture/formats/pfm.h"
#include "picture/formats/radiance.h"
#include "picture/formats/raw_float.h"

namespace pellumir {

bool hasExtension(const std::string& path, const char* extension) {
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && strcasecmp(path.c_str() + dot + 1, extension) == 0;
}

PictureKind kindOfFile(const std::string& path) {
    auto is = [&](const char* extension) { return hasExtension(path, extension); };
    if (is("hdr") || is("pic")) return PictureKind::radiance;
    if (is("pfm")) return PictureKind::pfm;
    if (is("float")) return PictureKind::rawFloat;
    if (is("tif") || is("tiff")) return PictureKind::tiff;
    if (is("exr")) return PictureKind::openExr;
    return PictureKind::unknown;
}

PictureKind checkPictureFile(const std::string& path, const char*& message, FailureReason& reason) {
    message = nullptr;
    if (!canOpenForReading(path)) {
        message = kCannotOpenMessage;
        reason.setSystemError(errno);
        return PictureKind::unknown;
    }
    PictureKind kind = kindOfFile(path);
    if (kind == PictureKind::unknown) {
        message = kUnknownTypeMessage;
        reason.set(kKnownExtensionsText);
    }
    return kind;
}

int readPicture(RgbeImage& image, PictureKind kind, const std::string& path,
                const RawFloatLayout& layout, RowSink* sink, FailureReason* reason) {
    int result = 0;
    switch (kind) {
        case PictureKind::radiance:
            result = readRadiance(image, path, sink, reason);
            break;
        case PictureKind::pfm:
            result = readPfm(image, path, reason);
            break;
        case PictureKind::rawFloat:
            result = readRawFloat(image, path, layout.width, layout.height, layout.colour ? 1 : 0,
                                  layout.swapBytes ? 1 : 0, reason);
            break;
        case PictureKind::tiff:
            result = readFloatTiff(image, path, reason);
            break;
        case PictureKind::openExr:
            result = readOpenExr(image, path, reason);
            break;
        case PictureKind::unknown:
            break;
    }
    if (result == 0) image.release();
    return result;
}

}  // namespace pellumir
