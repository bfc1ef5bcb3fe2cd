#include "platform/window_placement.h"

#include <algorithm>

namespace pellumir {

namespace {

// Icon, three buttons and room for about three squares of caption.
constexpr int32_t kTitleBarSquares = 7;
// Icon, three buttons and one to spare, beside a whole caption.
constexpr int32_t kCaptionSquares = 5;

int64_t titleBarHeight(FrameMargins frame) {
    int64_t height = frame.known() ? int64_t{frame.top} - frame.left : kAssumedTitleBarHeight;
    return height > 0 ? height : kAssumedTitleBarHeight;
}

int32_t clientWidthFor(int64_t outer, FrameMargins frame) {
    int64_t client = outer - frame.left - frame.right;
    return static_cast<int32_t>(std::clamp<int64_t>(client, 1, INT32_MAX));
}

int32_t fitted(int64_t wanted, int64_t minimum, int64_t available, int64_t frame) {
    int64_t room = std::max<int64_t>(available - frame, 1);
    return static_cast<int32_t>(std::clamp<int64_t>(std::max(wanted, minimum), 1, room));
}

int32_t centred(int64_t outer, int64_t low, int64_t high) {
    int64_t start = low + (high - low - outer) / 2;
    if (start + outer > high) start = high - outer;
    if (start < low) start = low;
    return static_cast<int32_t>(start);
}

}  // namespace

int32_t minimumClientWidth(FrameMargins frame) {
    return clientWidthFor(kTitleBarSquares * titleBarHeight(frame), frame);
}

int32_t clientWidthForCaption(int32_t captionWidth, FrameMargins frame) {
    return clientWidthFor(int64_t{captionWidth} + kCaptionSquares * titleBarHeight(frame), frame);
}

WindowSize fittedClientSize(int64_t wantedWidth, int64_t wantedHeight, WindowSize available,
                            FrameMargins frame) {
    return {fitted(wantedWidth, minimumClientWidth(frame), available.width,
                   int64_t{frame.left} + frame.right),
            fitted(wantedHeight, 1, available.height, int64_t{frame.top} + frame.bottom)};
}

Point centredWindowPosition(WindowSize outer, const Rect& available) {
    return {centred(outer.width, available.left, available.right),
            centred(outer.height, available.top, available.bottom)};
}

}  // namespace pellumir
