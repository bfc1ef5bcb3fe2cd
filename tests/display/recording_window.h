#pragma once

#include <optional>
#include <string>
#include <vector>

#include "display/viewer_hooks.h"
#include "display/window_host.h"

namespace pellumir::test {

// A window that records what the picture commands ask of it, in order, and
// answers the save dialog with a scripted path (or a cancel).
class RecordingWindow : public HookWindow, public WindowHost {
  public:
    std::vector<std::string> calls;
    std::vector<FileDialogOptions> dialogs;
    std::optional<std::string> dialogAnswer;
    // The bitmap's width when the window was told to repaint.
    const DisplayBitmap* watched = nullptr;

    // False: a window that never shows the bitmap.
    bool showsBitmap = true;

    WindowHost& host() override { return *this; }
    void refreshTitle() override { calls.push_back("refreshTitle"); }
    bool needsBitmap() const override { return showsBitmap; }

    bool isLive() const override { return true; }
    Rect clientRect() const override { return {0, 0, 640, 480}; }
    void setCaption(const std::string& caption) override { calls.push_back("caption " + caption); }
    void invalidate() override {
        calls.push_back(watched ? "invalidate " + std::to_string(watched->width) + "x" +
                                      std::to_string(watched->height)
                                : "invalidate");
    }
    void updateNow() override { calls.push_back("updateNow"); }
    void captureMouse() override { calls.push_back("captureMouse"); }
    void releaseMouse() override { calls.push_back("releaseMouse"); }
    Point clientToScreen(Point client) const override { return client; }
    int popupMenu(const std::vector<MenuItem>&, Point) override {
        calls.push_back("popupMenu");
        return 0;
    }
    std::optional<std::string> saveFileDialog(const FileDialogOptions& options) override {
        calls.push_back("saveFileDialog");
        dialogs.push_back(options);
        return dialogAnswer;
    }
    void messageBox(const std::string& text, const std::string& caption,
                    const std::string& detail = {}) override {
        calls.push_back("messageBox " + text + " | " + caption);
        details.push_back(detail);
    }
    std::vector<std::string> details;  // the detail of each message box
    void showAbout() override { calls.push_back("showAbout"); }
};

}  // namespace pellumir::test
