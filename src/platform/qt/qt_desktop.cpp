#include "platform/qt/qt_desktop.h"

#include <QApplication>
#include <QTimer>

#include "platform/qt/file_dialog.h"
#include "platform/qt/message_box.h"

namespace pellumir {

std::optional<std::string> QtDesktop::openFileDialog(const FileDialogOptions& options) {
    return runFileDialog(nullptr, FileDialogMode::open, options);
}

void QtDesktop::messageBox(const std::string& text, const std::string& caption,
                           const std::string& detail) {
    endProgress();
    showMessageBox(nullptr, text, caption, detail);
}

std::optional<RawFloatLayout> QtDesktop::rawFloatDialog() {
    if (!dialogs_.rawFloat) return std::nullopt;
    return dialogs_.rawFloat();
}

bool QtDesktop::readProgress(const std::string& displayName, uint64_t done, uint64_t total) {
    if (!progress_) progress_ = std::make_unique<ProgressWindow>(displayName);
    return progress_->progressed(done, total);
}

void QtDesktop::runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) {
    if (progress_) {
        // A close that came while the picture was being prepared still
        // ends the run.
        if (progress_->isVisible()) QApplication::processEvents();
        if (progress_->stopped()) {
            endProgress();
            return;
        }
    }
    QtImageWindow window(bitmap, hooks, dialogs_.about);
    // The progress gives way once the picture window is up: the first
    // thing its modal run does.
    QTimer::singleShot(0, &window, [this] { endProgress(); });
    window.run();
    endProgress();
}

void QtDesktop::endProgress() {
    if (!progress_) return;
    progress_->hide();
    progress_.reset();
}

}  // namespace pellumir
