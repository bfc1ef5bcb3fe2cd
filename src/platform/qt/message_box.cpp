#include "platform/qt/message_box.h"

#include <QMessageBox>

#include "platform/qt/window_title.h"

namespace pellumir {

void showMessageBox(QWidget* owner, const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok,
                    owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(windowTitleText(caption));
    box.exec();
}

}  // namespace pellumir
