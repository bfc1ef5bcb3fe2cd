#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QWidget;

namespace pellumir {

// The About box: the program's name and version, its picture on the OK
// button, and the mouse and key controls, laid out in dialog units
// (420 x 161) so that they keep their places against its text. The help button opens the program's
// README, which the second line of the version text names: with the
// desktop's handler for it, or where there is none in a window of the
// program's own.
class AboutDialog final : public QDialog {
  public:
    explicit AboutDialog(QWidget* owner = nullptr);
};

// Shows the About box modally over the owner.
void showAboutDialog(QWidget* owner);

// The first of the candidate files that exists, or the last candidate when
// none does (opening it then fails quietly, as a missing help file should).
std::string firstExistingFile(const std::vector<std::string>& candidates);

// The README the help button opens: the installed one, else the one in
// the source tree the program was built from.
std::string helpFile();
// The same as a file address.
std::string helpAddress();

}  // namespace pellumir
