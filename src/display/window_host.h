#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellumir {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Client-area rectangle; right and bottom are exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// One item of a popup menu. Command 0 is a separator. In the text, "\t"
// starts the right-aligned key hint and "&" marks the mnemonic.
struct MenuItem {
    int command = 0;
    std::string text;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// A file dialog as the program describes it. The filter has the form
// "description|pattern;pattern|description|pattern||".
struct FileDialogOptions {
    std::string defaultExtension;  // appended to a name typed without one
    std::string initialName;
    std::string filter;
    bool overwritePrompt = false;  // save: ask before replacing a file
    bool fileMustExist = false;    // open: only existing files
};

// What the picture window needs from the desktop. The Qt window implements
// it; tests use a recording fake.
class WindowHost {
  public:
    virtual ~WindowHost() = default;

    // Whether the native window exists (the caption can be set).
    virtual bool isLive() const = 0;
    virtual Rect clientRect() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // Marks the whole client area for repainting, without erasing it.
    virtual void invalidate() = 0;
    // Repaints what is invalid before returning.
    virtual void updateNow() = 0;
    // While captured, mouse moves keep arriving with a button held outside.
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    virtual Point clientToScreen(Point client) const = 0;
    // Shows the menu at a screen point; returns the chosen command, or 0
    // when the menu was dismissed.
    virtual int popupMenu(const std::vector<MenuItem>& items, Point screen) = 0;
    // The full path chosen, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> saveFileDialog(const FileDialogOptions& options) = 0;
    // A modal message box with an OK button, owned by the window; the
    // detail (the cause of a failure), when there is one, is shown under
    // the text.
    virtual void messageBox(const std::string& text, const std::string& caption,
                            const std::string& detail = {}) = 0;
    // Shows the About box modally.
    virtual void showAbout() = 0;
};

}  // namespace pellumir
