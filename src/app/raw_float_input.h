#pragma once

#include <cstdint>
#include <string>

#include "picture/formats/raw_float.h"

namespace pellumir {

// The number in a width or height box of the raw float dialog: the text as
// atof reads it (in the C locale, whatever the desktop's), truncated toward
// zero, so "640.9" gives 640, "12abc" 12, "-3.7" -3 and an empty box 0.
// Values beyond the 64-bit range saturate, and NaN gives INT64_MIN, so that
// a number out of range reaches the reader as one and fails there.
int64_t rawSizeFromText(const std::string& text);

// What the dialog's OK makes of its two boxes and its two check states.
RawFloatLayout rawFloatLayoutFromDialog(const std::string& widthText, const std::string& heightText,
                                        bool rgbChecked, bool swapChecked);

}  // namespace pellumir
