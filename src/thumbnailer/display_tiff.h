#pragma once

#include <string>

#include "picture/rgbe_image.h"

namespace pellumir {

// Reads an ordinary TIFF picture, one of the 8- or 16-bit kinds libtiff
// turns into RGBA (grey, palette, RGB, YCbCr, CMYK; alpha is ignored), as
// radiance: each 8-bit value v becomes (v / 255)^2.2, so that the tone table
// at exposure 1 and the display gamma shows it as it was stored.
//
// The thumbnailer serves every TIFF file of the desktop, not only the float
// ones the viewer reads; without this a file manager that sends it an
// ordinary TIFF would show no thumbnail at all. Float samples fail here.
// Returns 1, or 0 with the picture empty.
int readDisplayTiff(RgbeImage& image, const std::string& path);

}  // namespace pellumir
