#include "platform/qt/program_resources.h"

namespace pellumir {

namespace {

// The sizes tools/make-resources draws, compiled in under :/pellumir/.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (int size : kIconSizes) {
        icon.addFile(QStringLiteral(":/pellumir/icons/pellumir-%1.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

QPixmap aboutPicture() {
    return QPixmap(QStringLiteral(":/pellumir/about-134.bmp"));
}

}  // namespace pellumir
