#pragma once

#include <QRect>
#include <QSize>

namespace pellumir {

// Dialog layouts are given in dialog units, which measure a control against
// the dialog's text rather than the screen: a horizontal unit is a quarter
// and a vertical unit an eighth of the base units of the dialogs' 8-point
// font, 6 x 13 pixels, so 1.5 pixels across and 1.625 down. Edges are
// mapped one by one, rounded to the nearest pixel, so that controls that
// share an edge in units still share it in pixels (rounded widths would
// open gaps and overlaps between them).
int dialogUnitsAcross(int units);
int dialogUnitsDown(int units);
QRect dialogUnitRect(int x, int y, int width, int height);
QSize dialogUnitSize(int width, int height);

}  // namespace pellumir
