#include "platform/qt/file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <string>
#include <vector>

namespace pellumir {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

QStringList nameFiltersFromProgramFilter(const std::string& filter) {
    QStringList filters;
    std::vector<std::string> fields = split(filter, '|');
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        const std::string& description = fields[i];
        if (description.empty()) break;
        QStringList patterns;
        for (const std::string& pattern : split(fields[i + 1], ';')) {
            if (pattern.empty()) continue;
            patterns << (pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(pattern));
        }
        if (patterns.isEmpty()) break;
        filters << QString::fromStdString(description) + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

void configureFileDialog(QFileDialog& dialog, FileDialogMode mode,
                         const FileDialogOptions& options) {
    // Qt's own dialog: the same on every desktop, and it honours every
    // option below.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (mode == FileDialogMode::save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    }
    dialog.setNameFilters(nameFiltersFromProgramFilter(options.filter));
    dialog.setDefaultSuffix(QString::fromStdString(options.defaultExtension));
    if (!options.initialName.empty())
        dialog.selectFile(QString::fromStdString(options.initialName));
}

std::optional<std::string> runFileDialog(QWidget* owner, FileDialogMode mode,
                                         const FileDialogOptions& options) {
    QFileDialog dialog(owner);
    configureFileDialog(dialog, mode, options);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QFile::encodeName(chosen.first()).toStdString();
}

}  // namespace pellumir
