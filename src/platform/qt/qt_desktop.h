#pragma once

#include <functional>
#include <optional>

#include "platform/desktop.h"
#include "platform/qt/qt_image_window.h"

namespace pellumir {

// The two dialogs of the application itself, which the desktop shows when
// asked.
struct ApplicationDialogs {
    AboutBoxRunner about;
    std::function<std::optional<RawFloatLayout>()> rawFloat;
};

// Start-up's desktop on Qt: dialogs and message boxes without an owner
// window, and the picture window's modal run. A QApplication must exist.
class QtDesktop final : public Desktop {
  public:
    explicit QtDesktop(ApplicationDialogs dialogs) : dialogs_(std::move(dialogs)) {}

    std::optional<std::string> openFileDialog(const FileDialogOptions& options) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<RawFloatLayout> rawFloatDialog() override;
    void runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) override;

  private:
    ApplicationDialogs dialogs_;
};

}  // namespace pellumir
