#pragma once

#include <cstdint>

#include "platform/window_host.h"

namespace pellumir {

// A window's size, in the desktop's coordinates.
struct WindowSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

// How much the frame (title bar, borders) adds on each side of the client
// area.
struct FrameMargins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The client size the window gets for the one it asks for: at least 1 x 1,
// and no larger than leaves the whole window, frame included, within the
// screen. A picture larger than the screen thus opens in a screen-sized
// window and is panned; the window never starts with its close box out of
// reach.
WindowSize fittedClientSize(int64_t wantedWidth, int64_t wantedHeight, WindowSize screen,
                            FrameMargins frame);

// Where the window's outer top-left corner goes: centred in the available
// area (the screen less panels and docks); moved left so that it ends at
// the area's right edge if it would pass it, but never left of the area's
// left edge; the same vertically. A window larger than the area therefore
// starts at its left or top edge.
Point centredWindowPosition(WindowSize outer, const Rect& available);

}  // namespace pellumir
