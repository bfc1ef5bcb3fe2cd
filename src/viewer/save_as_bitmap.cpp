#include "viewer/save_as_bitmap.h"

#include <optional>

#include "display/window_texts.h"
#include "io/failure_reason.h"

namespace pellumir {

std::string proposedBitmapName(const std::string& displayName) {
    size_t dot = displayName.rfind('.');
    if (dot == std::string::npos) return displayName;
    return displayName.substr(0, dot) + ".bmp";
}

void saveAsBitmap(WindowHost& host, const DisplayBitmap& bitmap) {
    FileDialogOptions options;
    options.defaultExtension = kBitmapDefaultExtension;
    options.initialName = proposedBitmapName(bitmap.name);
    options.filter = kBitmapSaveFilter;
    options.overwritePrompt = true;
    std::optional<std::string> path = host.saveFileDialog(options);
    if (!path) return;
    FailureReason reason;
    if (bitmap.writeBmp(*path, &reason) == 0) host.messageBox(kSaveError, *path, reason.text());
}

}  // namespace pellumir
