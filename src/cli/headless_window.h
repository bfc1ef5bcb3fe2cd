#pragma once

#include "display/viewer_hooks.h"
#include "display/window_host.h"

namespace pellumir {

// A desktop without a screen: repaints go nowhere and every dialog is
// cancelled, so that the picture commands run as they do in the viewer.
class HeadlessHost : public WindowHost {
  public:
    bool isLive() const override { return false; }
    Rect clientRect() const override { return {}; }
    void setCaption(const std::string&) override {}
    void invalidate() override {}
    void updateNow() override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    Point clientToScreen(Point client) const override { return client; }
    int popupMenu(const std::vector<MenuItem>&, Point) override { return 0; }
    std::optional<std::string> saveFileDialog(const FileDialogOptions&) override {
        return std::nullopt;
    }
    void messageBox(const std::string&, const std::string&, const std::string& = {}) override {}
    void showAbout() override {}
};

// `needsBitmap` false: nothing will read the bitmap, so the commands
// need not build it.
class HeadlessWindow : public HookWindow {
  public:
    explicit HeadlessWindow(bool needsBitmap = true) : needsBitmap_(needsBitmap) {}
    WindowHost& host() override { return host_; }
    void refreshTitle() override {}
    bool needsBitmap() const override { return needsBitmap_; }

  private:
    HeadlessHost host_;
    bool needsBitmap_;
};

}  // namespace pellumir
