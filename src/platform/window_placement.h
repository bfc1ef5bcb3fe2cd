#pragma once

#include <cstdint>

#include "display/window_host.h"

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
    bool known() const { return left != 0 || top != 0 || right != 0 || bottom != 0; }
    friend bool operator==(const FrameMargins&, const FrameMargins&) = default;
};

// The height of a title bar taken before the window manager has framed the
// window, the usual one of an 8-point caption font.
inline constexpr int32_t kAssumedTitleBarHeight = 24;

// The narrowest client area whose title bar still shows its controls: the
// window icon, a few characters of the caption, and the minimise, maximise
// and close buttons, each about as wide as the title bar is tall (the
// frame's top less its side border, as the bottom may carry a resize
// handle; kAssumedTitleBarHeight while the frame is not known). Window managers hide the buttons
// that do not fit.
int32_t minimumClientWidth(FrameMargins frame);

// The narrowest client area whose title bar shows the whole caption, its
// text being captionWidth wide in the title bar's font: the caption beside
// the window icon and up to three buttons, with a square of room to spare.
int32_t clientWidthForCaption(int32_t captionWidth, FrameMargins frame);

// The client size the window gets for the one it asks for: no larger than
// leaves the whole window, frame included, within the available area (the
// screen less panels and docks), and no narrower than minimumClientWidth
// unless the area itself is; at least 1 x 1. A picture larger than the
// screen thus opens in a window that fills it and is panned; the window
// never starts with its close box out of reach. A picture narrower than
// the title bar needs shows the background beside it.
WindowSize fittedClientSize(int64_t wantedWidth, int64_t wantedHeight, WindowSize available,
                            FrameMargins frame);

// Where the window's outer top-left corner goes: centred in the available
// area; moved left so that it ends at the area's right edge if it would
// pass it, but never left of the area's left edge; the same vertically. A
// window larger than the area therefore starts at its left or top edge.
Point centredWindowPosition(WindowSize outer, const Rect& available);

}  // namespace pellumir
