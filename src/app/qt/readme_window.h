#pragma once

#include <string>

class QWidget;

namespace pellumir {

// The program's README in a window of its own, for a desktop with no
// handler for it: the Markdown as Qt renders it, scrollable, its web links
// handed to the desktop. The window is modal over the program's other
// windows (the About box among them) and deletes itself when closed; it is
// returned shown. A missing file says so in the window.
QWidget* showReadmeWindow(const std::string& path);

}  // namespace pellumir
