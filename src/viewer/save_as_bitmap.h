#pragma once

#include <string>

#include "display/display_bitmap.h"
#include "display/window_host.h"

namespace pellumir {

inline constexpr const char* kBitmapDefaultExtension = "bmp";
inline constexpr const char* kBitmapSaveFilter = "BMP文件 (*.bmp)|*.bmp|所有文件 (*.*)|*.*||";

// The name the save dialog proposes: the display name with everything from
// its last "." replaced by ".bmp", or the name itself when it has no ".".
std::string proposedBitmapName(const std::string& displayName);

// Asks for a file name and writes the bitmap as shown there; a failed
// write is reported in a message box captioned with the path. Cancelling
// does nothing.
void saveAsBitmap(WindowHost& host, const DisplayBitmap& bitmap);

}  // namespace pellumir
