#pragma once

#include <cstdint>

#include "display/window_host.h"

namespace pellumir {

// Zoom is a power of two between these, inclusive.
inline constexpr float kMaxZoom = 1024.0f;
inline constexpr float kMinZoom = 1.0f / 256.0f;

// The picture column (or row) under a client coordinate: the distance from
// the picture's drawn origin, in picture pixels, rounded toward minus
// infinity, so that the display pixels just left of the picture are
// column -1. Far outside the picture it saturates at the 32-bit limits,
// which no picture reaches.
int32_t pixelUnder(int32_t client, int32_t origin, float zoom);

// The origin after doubling the zoom about a client point: the picture
// pixel under the point stays under it.
Point originZoomedIn(Point origin, Point about);

// The origin after halving the zoom about a client point; the halved
// distance is truncated toward zero.
Point originZoomedOut(Point origin, Point about);

// The origin while panning: where it was when the pan began, moved by how
// far the cursor has come from the pan's anchor.
Point originPanned(Point panOrigin, Point panAnchor, Point cursor);

}  // namespace pellumir
