#pragma once

#include "picture/rgbe_image.h"

namespace pellumir {

// The one picture of the run, shared by the viewer, the converter and the
// picture commands, which alone change it after it was read.
extern RgbeImage currentPicture;

// The exposure multiplier applied before the display gamma: 1 at start,
// changed only by the picture commands.
extern float currentExposure;

// The display gamma of every build.
inline constexpr float kDisplayGamma = 2.2f;

}  // namespace pellumir
