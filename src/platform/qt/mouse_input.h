#pragma once

#include <QPointF>
#include <Qt>
#include <cstdint>

#include "display/window_host.h"

namespace pellumir {

// The key state a mouse message carries (the kMouse* flags of
// display/input_codes.h: left, right, middle and the two side buttons,
// Shift and Control) from the buttons held and the modifiers. Qt counts a press's own
// button as held and a release's as no longer held, as the flags do.
uint32_t mouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// A point in Qt's logical coordinates as the device pixel it falls in, so
// that one picture pixel at zoom 1 is one screen pixel on every screen.
Point devicePoint(QPointF logical, double devicePixelRatio);

}  // namespace pellumir
