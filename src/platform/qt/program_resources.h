#pragma once

#include <QIcon>
#include <QPixmap>

namespace pellumir {

// The program's icon (icon 128) in every size it is drawn in.
QIcon programIcon();

// The About box's picture (bitmap 134), 300 x 162.
QPixmap aboutPicture();

}  // namespace pellumir
