#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/qt_image_window.h"

namespace pellumir {

// The two dialogs of the application itself, which the desktop shows when
// asked.
struct ApplicationDialogs {
    AboutBoxRunner about;
    std::function<std::optional<RawFloatLayout>()> rawFloat;
};

// Start-up's desktop on Qt: dialogs and message boxes without an owner
// window, the progress of a long read, and the picture window's modal run.
// A QApplication must exist.
class QtDesktop final : public Desktop {
  public:
    explicit QtDesktop(ApplicationDialogs dialogs) : dialogs_(std::move(dialogs)) {}

    std::optional<std::string> openFileDialog(const FileDialogOptions& options) override;
    void messageBox(const std::string& text, const std::string& caption,
                    const std::string& detail = {}) override;
    std::optional<RawFloatLayout> rawFloatDialog() override;
    bool readProgress(const std::string& displayName, uint64_t done, uint64_t total) override;
    void runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) override;

    // The progress window of the read, once one has been reported; null
    // after the picture window or a message box has taken its place.
    ProgressWindow* progressWindow() const { return progress_.get(); }

  private:
    void endProgress();

    ApplicationDialogs dialogs_;
    std::unique_ptr<ProgressWindow> progress_;
};

}  // namespace pellumir
