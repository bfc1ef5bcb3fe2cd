#pragma once

#include <QString>
#include <string>

class QFont;
class QMessageBox;
class QWidget;

namespace pellumir {

// A modal message box with one OK button, the caption as its title, owned
// by the owner (or by no window); returns when it has been dismissed. The
// detail, when not empty, is the box's informative text under the text.
void showMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    const std::string& detail = {});

// The client width a window needs for the window manager to show the whole
// caption in its title bar, no wider than the screen leaves room for.
int captionClientWidth(const QString& caption, const QFont& font);

// Makes the box at least that wide for its own caption, whatever else it
// shows.
void widenForCaption(QMessageBox& box);

}  // namespace pellumir
