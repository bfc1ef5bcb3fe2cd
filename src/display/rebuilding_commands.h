#pragma once

#include "display/display_bitmap.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// Mirror, flip and turn with the bitmap's rebuild folded in. Each leaves
// the picture as mirrorPicture, flipPicture and rotate90 do and the bitmap
// as build() from the changed picture would, bytes and failures alike, but
// converts every row while the change has just brought it into the cache,
// one pass over the memory instead of two, on both cores.
void mirrorAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma);
void flipAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma);
// False when the picture could not be turned: it is then as it was, and
// the bitmap built from it.
bool rotateAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma);

}  // namespace pellumir
