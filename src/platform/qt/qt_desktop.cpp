#include "platform/qt/qt_desktop.h"

#include "platform/qt/file_dialog.h"
#include "platform/qt/message_box.h"

namespace pellumir {

std::optional<std::string> QtDesktop::openFileDialog(const FileDialogOptions& options) {
    return runFileDialog(nullptr, FileDialogMode::open, options);
}

void QtDesktop::messageBox(const std::string& text, const std::string& caption) {
    showMessageBox(nullptr, text, caption);
}

std::optional<RawFloatLayout> QtDesktop::rawFloatDialog() {
    if (!dialogs_.rawFloat) return std::nullopt;
    return dialogs_.rawFloat();
}

void QtDesktop::runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) {
    QtImageWindow window(bitmap, hooks, dialogs_.about);
    window.run();
}

}  // namespace pellumir
