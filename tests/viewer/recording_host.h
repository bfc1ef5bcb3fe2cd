#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "display/window_host.h"
#include "viewer/canvas.h"

namespace pellumir {

// Readable failure messages for the view's rectangles.
inline void PrintTo(const Box& b, std::ostream* out) {
    *out << "(" << b.x << ", " << b.y << ", " << b.width << " x " << b.height << ")";
}
inline void PrintTo(const Point& p, std::ostream* out) {
    *out << "(" << p.x << ", " << p.y << ")";
}

}  // namespace pellumir

namespace pellumir::test {

// A window host that writes down every request and answers the menu and
// the save dialog as the test scripts them.
class RecordingHost : public WindowHost {
  public:
    bool live = true;
    Rect client{0, 0, 640, 480};
    Point screenOffset{1000, 500};
    int menuChoice = 0;
    std::optional<std::string> savePath;

    std::vector<std::string> captions;
    int invalidations = 0;
    int captures = 0;
    int releases = 0;
    int abouts = 0;
    std::vector<std::vector<MenuItem>> menus;
    std::vector<Point> menuPoints;
    std::vector<FileDialogOptions> saveDialogs;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption

    bool isLive() const override { return live; }
    Rect clientRect() const override { return client; }
    void setCaption(const std::string& caption) override { captions.push_back(caption); }
    void invalidate() override { ++invalidations; }
    void updateNow() override {}
    void captureMouse() override { ++captures; }
    void releaseMouse() override { ++releases; }
    Point clientToScreen(Point p) const override {
        return {p.x + screenOffset.x, p.y + screenOffset.y};
    }
    int popupMenu(const std::vector<MenuItem>& items, Point screen) override {
        menus.push_back(items);
        menuPoints.push_back(screen);
        return menuChoice;
    }
    std::optional<std::string> saveFileDialog(const FileDialogOptions& options) override {
        saveDialogs.push_back(options);
        return savePath;
    }
    void messageBox(const std::string& text, const std::string& caption,
                    const std::string& detail = {}) override {
        messages.emplace_back(text, caption);
        details.push_back(detail);
    }
    std::vector<std::string> details;  // the detail of each message box
    void showAbout() override { ++abouts; }

    std::string caption() const { return captions.empty() ? std::string() : captions.back(); }
};

// A canvas that writes down every blit and fill.
class RecordingCanvas : public Canvas {
  public:
    struct Blit {
        Box destination;
        Box source;
    };
    std::vector<Blit> blits;
    std::vector<Box> fills;
    std::vector<Colour> fillColours;

    void stretchBlit(const DisplayBitmap&, const Box& destination, const Box& source) override {
        blits.push_back({destination, source});
    }
    void fill(const Box& area, Colour colour) override {
        fills.push_back(area);
        fillColours.push_back(colour);
    }
};

}  // namespace pellumir::test
