#pragma once

#include <cstdint>

#include "display/window_host.h"
#include "viewer/canvas.h"

namespace pellumir {

// What one paint of the window draws: at most one blit of the visible part
// of the picture and up to four background bands around it, which together
// cover every client pixel.
struct PaintPlan {
    // False when no picture pixel is visible (or there is no picture); the
    // rectangles below are then only what the bands were measured from.
    bool drawsPicture = false;
    Box destination;  // client coordinates
    Box source;       // source.y counts rows up from the bitmap's bottom row
    // Top, bottom, left, right, in that order; only the bands present,
    // each within the client area.
    Box bands[4];
    int bandCount = 0;
};

// The visible part of a width x height picture drawn with its top-left
// corner at origin, zoom display pixels per picture pixel, into the client
// area. Zoomed in, only whole picture pixels are clipped away, so the
// destination reaches at most one zoomed pixel beyond the client area and
// starts on the picture's own pixel grid; zoomed out, the destination is
// clipped to the client area exactly. The zoom must be a power of two from
// kMinZoom to kMaxZoom; any other zoom, or a picture dimension beyond 2^31 - 1,
// draws no picture and fills the whole client area.
PaintPlan planPaint(uint32_t width, uint32_t height, float zoom, Point origin, const Rect& client);

}  // namespace pellumir
