#include "platform/window_placement.h"

#include <algorithm>

namespace pellumir {

namespace {

int32_t fitted(int64_t wanted, int64_t screen, int64_t frame) {
    int64_t room = std::max<int64_t>(screen - frame, 1);
    return static_cast<int32_t>(std::clamp<int64_t>(wanted, 1, room));
}

int32_t centred(int64_t outer, int64_t low, int64_t high) {
    int64_t start = low + (high - low - outer) / 2;
    if (start + outer > high) start = high - outer;
    if (start < low) start = low;
    return static_cast<int32_t>(start);
}

}  // namespace

WindowSize fittedClientSize(int64_t wantedWidth, int64_t wantedHeight, WindowSize screen,
                            FrameMargins frame) {
    return {fitted(wantedWidth, screen.width, int64_t{frame.left} + frame.right),
            fitted(wantedHeight, screen.height, int64_t{frame.top} + frame.bottom)};
}

Point centredWindowPosition(WindowSize outer, const Rect& available) {
    return {centred(outer.width, available.left, available.right),
            centred(outer.height, available.top, available.bottom)};
}

}  // namespace pellumir
