#pragma once

#include <QStringList>
#include <optional>
#include <string>

#include "display/window_host.h"

class QFileDialog;
class QWidget;

namespace pellumir {

// The program's filter, "description|pattern;pattern|...||", as Qt file
// dialog name filters: each becomes "description (pattern pattern)", to be
// shown with QFileDialog::HideNameFilterDetails, which shows the
// description exactly as written (its own "(*.hdr,*.pic)" included) and
// matches the patterns in the last parentheses. The list ends at the first
// empty description or a description without patterns. "*.*" matches every
// file, names without a "." too, so it becomes "*".
QStringList nameFiltersFromProgramFilter(const std::string& filter);

enum class FileDialogMode { open, save };

// Sets the dialog up for the mode and the options, as runFileDialog shows
// it.
void configureFileDialog(QFileDialog& dialog, FileDialogMode mode,
                         const FileDialogOptions& options);

// Runs a file dialog over the owner (or none): the filters above, the
// default extension added to a name typed without one, only existing files
// on open when asked, the question before replacing a file on save when
// asked. The full path chosen, or nothing when cancelled.
std::optional<std::string> runFileDialog(QWidget* owner, FileDialogMode mode,
                                         const FileDialogOptions& options);

}  // namespace pellumir
