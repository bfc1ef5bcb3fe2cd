#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/picture_files.h"
#include "display/display_bitmap.h"
#include "platform/desktop.h"

namespace pellumir {

// The open dialog's default extension and filter.
inline constexpr const char* kOpenDefaultExtension = "pic";
inline constexpr const char* kOpenFilter =
    "HDR文件 (*.hdr,*.pic)|*.hdr;*.pic|PFM文件 (*.pfm)|*.pfm|RAW float 文件 (*.raw,*.float)|"
    "*.raw;*.float|TIFF文件 (*.tif,*.tiff)|*.tif;*.tiff|EXR文件 (*.exr)|*.exr|所有文件 (*.*)|*.*||";
// The caption of the read error.
inline constexpr const char* kProgramName = "Pellumir";

// The command tail: the arguments after the program's name, joined by
// single spaces, so that a name with spaces arrives whole.
std::string commandTail(int argc, const char* const* argv);

// The part of a file name after its last "/" or "\".
std::string displayNameOf(const std::string& path);

// The application: one run of start-up over the desktop. It reads the one
// picture into currentPicture, builds the display with currentExposure,
// and shows the picture window until it closes. Every error is shown in a
// message box and ends the run.
class ViewerApp {
  public:
    explicit ViewerApp(Desktop& desktop) : desktop_(desktop) {}

    // Runs start-up once. Always returns false: the process ends after it.
    bool startUp(const std::string& tail);

    // The display of the run; null before start-up. It lives as long as
    // the application, as the picture does.
    const DisplayBitmap* bitmap() const { return bitmap_.get(); }

  private:
    // The name of the file to open: the command tail, else the open
    // dialog's choice. Nothing when the dialog is cancelled.
    std::optional<std::string> chooseName(const std::string& tail);
    // Reads the picture and builds its display beside the reading; false,
    // after any message, when there is nothing to show.
    bool readShownPicture(PictureKind kind, const std::string& name, const RawFloatLayout& layout);

    Desktop& desktop_;
    std::unique_ptr<DisplayBitmap> bitmap_;
};

}  // namespace pellumir
