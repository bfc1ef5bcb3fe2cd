#include "platform/qt/mouse_input.h"

#include <algorithm>
#include <cmath>

namespace pellumir {

namespace {

constexpr uint32_t kLeft = 0x0001;
constexpr uint32_t kRight = 0x0002;
constexpr uint32_t kShift = 0x0004;
constexpr uint32_t kControl = 0x0008;
constexpr uint32_t kMiddle = 0x0010;
constexpr uint32_t kBack = 0x0020;
constexpr uint32_t kForward = 0x0040;

int32_t devicePixel(double logical, double ratio) {
    // A grabbed mouse reports points far outside the window; keep them
    // within the view's 32-bit coordinates.
    double pixel = std::floor(logical * ratio);
    return static_cast<int32_t>(std::clamp(pixel, double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace

uint32_t mouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t flags = 0;
    if (buttons & Qt::LeftButton) flags |= kLeft;
    if (buttons & Qt::RightButton) flags |= kRight;
    if (buttons & Qt::MiddleButton) flags |= kMiddle;
    if (buttons & Qt::BackButton) flags |= kBack;
    if (buttons & Qt::ForwardButton) flags |= kForward;
    if (modifiers & Qt::ShiftModifier) flags |= kShift;
    if (modifiers & Qt::ControlModifier) flags |= kControl;
    return flags;
}

Point devicePoint(QPointF logical, double devicePixelRatio) {
    if (!(devicePixelRatio > 0)) devicePixelRatio = 1;
    return {devicePixel(logical.x(), devicePixelRatio), devicePixel(logical.y(), devicePixelRatio)};
}

}  // namespace pellumir
