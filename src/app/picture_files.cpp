#include "app/picture_files.h"

#include <strings.h>

#include "picture/formats/float_tiff.h"
#include "picture/formats/openexr.h"
#include "picture/formats/pfm.h"
#include "picture/formats/radiance.h"
#include "picture/formats/raw_float.h"

namespace pellumir {

PictureKind kindOfFile(const std::string& path) {
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return PictureKind::unknown;
    const char* extension = path.c_str() + dot + 1;
    auto is = [&](const char* name) { return strcasecmp(extension, name) == 0; };
    if (is("hdr") || is("pic")) return PictureKind::radiance;
    if (is("pfm")) return PictureKind::pfm;
    if (is("float")) return PictureKind::rawFloat;
    if (is("tif") || is("tiff")) return PictureKind::tiff;
    if (is("exr")) return PictureKind::openExr;
    return PictureKind::unknown;
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
