#pragma once

#include <cstdint>

namespace pellumir {

struct DisplayBitmap;

// The About box's picture: the project's room, its bulbs blazing and its
// corners deep in shadow, as the viewer itself would show it.
inline constexpr uint32_t kAboutWidth = 300;
inline constexpr uint32_t kAboutHeight = 162;
// Two stops below the viewer's starting exposure of 1: the bulbs, the patch
// of sun and the view through the window stay bright while the walls fall
// to dusk and the corners and the shadows under the table to near black.
inline constexpr float kAboutExposure = 0.25f;
inline constexpr float kDisplayGamma = 2.2f;

// Renders the room at kAboutWidth x kAboutHeight, each pixel the mean of
// kAboutSamples x kAboutSamples samples of the scene's radiance (averaged
// before any tone mapping, as light adds up), and builds the bitmap from it
// with kAboutExposure and the display gamma. 1 on success, 0 when memory
// ran out.
inline constexpr uint32_t kAboutSamples = 4;
int renderAboutPicture(DisplayBitmap& bitmap, float exposure = kAboutExposure);

}  // namespace pellumir
