#pragma once

#include <string>

class QWidget;

namespace pellumir {

// A modal message box with one OK button, the caption as its title, owned
// by the owner (or by no window); returns when it has been dismissed.
void showMessageBox(QWidget* owner, const std::string& text, const std::string& caption);

}  // namespace pellumir
