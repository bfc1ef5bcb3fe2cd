#include "viewer/save_as_bitmap.h"

#include "display/save_file.h"

namespace pellumir {

std::string proposedBitmapName(const std::string& displayName) {
    size_t dot = displayName.rfind('.');
    if (dot == std::string::npos) return displayName;
    return displayName.substr(0, dot) + "." + kBitmapDefaultExtension;
}

void saveAsBitmap(WindowHost& host, const DisplayBitmap& bitmap) {
    FileDialogOptions options;
    options.defaultExtension = kBitmapDefaultExtension;
    options.initialName = proposedBitmapName(bitmap.name);
    options.filter = kBitmapSaveFilter;
    saveFile(host, options, [&bitmap](const std::string& path, FailureReason* reason) {
        return bitmap.writeBmp(path, reason);
    });
}

}  // namespace pellumir
