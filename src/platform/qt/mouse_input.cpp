#include "platform/qt/mouse_input.h"

#include <algorithm>
#include <cmath>

#include "display/input_codes.h"

namespace pellumir {

namespace {

int32_t devicePixel(double logical, double ratio) {
    // A grabbed mouse reports points far outside the window; keep them
    // within the view's 32-bit coordinates.
    double pixel = std::floor(logical * ratio);
    return static_cast<int32_t>(std::clamp(pixel, double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace

uint32_t mouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (buttons & Qt::LeftButton) flags |= kMouseLeftButton;
    if (buttons & Qt::RightButton) flags |= kMouseRightButton;
    if (buttons & Qt::MiddleButton) flags |= kMouseMiddleButton;
    if (buttons & Qt::BackButton) flags |= kMouseBackButton;
    if (buttons & Qt::ForwardButton) flags |= kMouseForwardButton;
    if (modifiers & Qt::ShiftModifier) flags |= kMouseShift;
    if (modifiers & Qt::ControlModifier) flags |= kMouseControl;
    return flags;
}

Point devicePoint(QPointF logical, double devicePixelRatio) {
    if (!(devicePixelRatio > 0)) devicePixelRatio = 1;
    return {devicePixel(logical.x(), devicePixelRatio), devicePixel(logical.y(), devicePixelRatio)};
}

}  // namespace pellumir
