#include "app/viewer_app.h"

#include <cstdio>
#include <optional>

#include "app/picture_files.h"
#include "display/picture_commands.h"
#include "display/streamed_build.h"
#include "display/viewer_state.h"
#include "display/window_texts.h"
#include "io/read_progress.h"

namespace pellumir {

std::string commandTail(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    return tail;
}

std::string displayNameOf(const std::string& path) {
    size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::optional<std::string> ViewerApp::chooseName(const std::string& tail) {
    std::string name = tail;
    if (name.empty()) {
        FileDialogOptions options;
        options.defaultExtension = kOpenDefaultExtension;
        options.filter = kOpenFilter;
        options.fileMustExist = true;
        std::optional<std::string> chosen = desktop_.openFileDialog(options);
        if (!chosen) return std::nullopt;
        name = *chosen;
    }
    // A quoted name loses its first and its last character, whatever the
    // last one is.
    if (!name.empty() && name[0] == '"') {
        name = name.size() < 2 ? std::string() : name.substr(1, name.size() - 2);
    }
    return name;
}

bool ViewerApp::readShownPicture(PictureKind kind, const std::string& name,
                                 const RawFloatLayout& layout) {
    // Only whether the picture has rows counts, not the reader's result.
    // The bitmap is built beside the reading where the reader allows it.
    StreamedBuild build(*bitmap_, currentExposure, kDisplayGamma);
    bool stopped = false;
    FailureReason reason;
    {
        ReadProgressWatch watch([&](uint64_t done, uint64_t total) {
            stopped = stopped || !desktop_.readProgress(bitmap_->name, done, total);
            return !stopped;
        });
        readPicture(currentPicture, kind, name, layout, &build, &reason);
    }
    // Stopped by the user: as silent as a cancelled open dialog.
    if (stopped) {
        build.readingEnded(false);
        currentPicture.release();
        return false;
    }
    if (currentPicture.empty() || !build.finish(currentPicture)) {
        // A reader always gives its cause; only the display's is left.
        if (!currentPicture.empty()) reason.set(kDisplayMemoryText);
        desktop_.messageBox(kReadErrorMessage, kProgramName, reason.text());
        return false;
    }
    return true;
}

bool ViewerApp::startUp(const std::string& tail) {
    bitmap_ = std::make_unique<DisplayBitmap>();
    bitmap_->name = kUnnamed;
    std::optional<std::string> chosen = chooseName(tail);
    if (!chosen) return false;
    const std::string& name = *chosen;

    FailureReason reason;
    const char* refusal = nullptr;
    PictureKind kind = checkPictureFile(name, refusal, reason);
    if (refusal == kCannotOpenMessage) {
        // The name in full: the file it names could not be opened.
        desktop_.messageBox(refusal, name, reason.text());
        return false;
    }
    bitmap_->name = displayNameOf(name);
    if (refusal) {
        desktop_.messageBox(refusal, bitmap_->name, reason.text());
        return false;
    }
    RawFloatLayout layout;
    if (kind == PictureKind::rawFloat) {
        std::optional<RawFloatLayout> answer = desktop_.rawFloatDialog();
        if (!answer) return false;
        layout = *answer;
    }
    if (!readShownPicture(kind, name, layout)) return false;
    bitmap_->fillHeader();
    desktop_.runImageWindow(*bitmap_, pictureCommandHooks());
    return false;
}

}  // namespace pellumir
