#include "platform/qt/window_title.h"

namespace pellumir {

QString windowTitleText(const std::string& caption) {
    QString title = QString::fromStdString(caption);
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return title;
}

}  // namespace pellumir
