#pragma once

#include "picture/rgbe_image.h"

namespace pellumir {

// The display value that mid-grey radiance reaches: 0.18 shows as 117.
inline constexpr double kMidGrey = 0.18;
// The share of pixels that may turn white, and how far the exposure may be
// lowered to keep to it.
inline constexpr double kWhiteShare = 0.01;
inline constexpr double kMostStopsDown = 2.0;

// An exposure that shows the picture neither black nor white, for pictures
// nobody has looked at yet (thumbnails). With luminance 0.299 red + 0.587
// green + 0.114 blue, as a Shift + click measures it, and black pixels
// (exponent 0, or luminance 0) left out:
//   1. the log-average luminance, exp(mean(ln L)), is brought to kMidGrey;
//   2. if more than kWhiteShare of the pixels would then pass 1.0 (white),
//      the exposure is lowered until only that share does, but by at most
//      kMostStopsDown stops, so that a few large lights cannot turn the
//      rest of the picture black.
// Scaling the picture's radiance by any factor scales the result by its
// inverse. 1 for an empty or all-black picture; always finite and above 0.
float automaticExposure(const RgbeImage& picture);

}  // namespace pellumir
