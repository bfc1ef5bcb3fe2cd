#pragma once

#include <cstdint>
#include <string>

namespace pellumir {

// The window's caption while the picture is shown: the display name, then
// the pixel under the cursor, its colour text, the scale (n, or 1/n when
// zoomed out) and the exposure text.
std::string statusTitle(const std::string& name, int32_t column, int32_t row, const char* colour,
                        float zoom, const char* exposure);

}  // namespace pellumir
