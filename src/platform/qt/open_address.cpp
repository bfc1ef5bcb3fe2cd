#include "platform/qt/open_address.h"

#include <QDesktopServices>
#include <QUrl>

namespace pellumir {

void openAddress(const std::string& address) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

}  // namespace pellumir
