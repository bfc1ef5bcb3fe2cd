#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "display/display_bitmap.h"
#include "display/viewer_hooks.h"
#include "display/window_host.h"
#include "picture/formats/raw_float.h"

namespace pellumir {

// What start-up needs from the desktop before and around the picture
// window. The Qt desktop implements it; tests use a scripted fake.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // The full path chosen, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> openFileDialog(const FileDialogOptions& options) = 0;
    // A modal message box with an OK button and no owner window; the detail
    // (the cause of a failure), when there is one, is shown under the text.
    virtual void messageBox(const std::string& text, const std::string& caption,
                            const std::string& detail = {}) = 0;
    // Asks for the layout of a raw float file; nothing when cancelled.
    virtual std::optional<RawFloatLayout> rawFloatDialog() = 0;
    // Told, during the read of the picture, how far it has come (done of
    // total, total 0 when unknown). A read that takes long shows it until
    // the picture window opens or a message box shows. False once the user
    // has asked to stop: the run then ends silently.
    virtual bool readProgress(const std::string& /*displayName*/, uint64_t /*done*/,
                              uint64_t /*total*/) {
        return true;
    }
    // Shows the picture window over the bitmap, with the hooks, and returns
    // when it has been closed.
    virtual void runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) = 0;
};

}  // namespace pellumir
