#include "display/save_file.h"

#include <optional>

#include "display/window_texts.h"

namespace pellumir {

void saveFile(WindowHost& host, FileDialogOptions options, const SaveWriter& write) {
    options.overwritePrompt = true;
    std::optional<std::string> path = host.saveFileDialog(options);
    if (!path) return;
    FailureReason reason;
    if (write(*path, &reason) == 0) host.messageBox(kSaveError, *path, reason.text());
}

}  // namespace pellumir
