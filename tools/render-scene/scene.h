#pragma once

#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// The project's own high-dynamic-range scene: a room seen in perspective,
// lit by three bare bulbs and a window with daylight and a patch of sun.
// It holds what a viewer and its formats must cope with at once: bulbs
// millions of times brighter than the darkest corner, smooth falloff on the
// walls, and hard edges (window bars, shadows, furniture, floorboards).
//
// The radiance at the point (u, v) of the picture, u from 0 at the left to
// 1 at the right, v from 0 at the top to 1 at the bottom, for a picture of
// width / height = aspect. Every value is positive and finite; the same
// arguments always give the same colour, so that any tool can sample the
// scene at any resolution.
RgbColour sceneRadiance(double u, double v, double aspect);

// Renders the scene into `image` at width x height, sampling each pixel at
// its centre. The picture is left empty when it cannot be allocated (or for
// a width or height of 0).
void renderScene(RgbeImage& image, uint32_t width, uint32_t height);

}  // namespace pellumir
