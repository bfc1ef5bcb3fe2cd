#pragma once

#include <cstdint>

#include "display/display_bitmap.h"
#include "display/input_codes.h"
#include "display/viewer_hooks.h"
#include "display/window_texts.h"

namespace pellumir {

inline constexpr const char* kRadianceSaveFilter =
    "HDR文件 (*.hdr,*.pic)|*.hdr;*.pic|所有文件 (*.*)|*.*||";
inline constexpr const char* kRadianceDefaultExtension = "hdr";

// The commands work on currentPicture and currentExposure (viewer_state.h).

// Rebuilds the bitmap from the picture at the current exposure (when the
// window needs one), then has the window repaint at once with a fresh title.
void refreshDisplay(HookWindow& window, DisplayBitmap& bitmap);

// The second half of refreshDisplay, for commands that rebuilt the bitmap
// themselves.
void showRebuilt(HookWindow& window);

// H, V and R mirror, flip and turn the picture; S saves it as a Radiance
// file; the plus and minus keys double and halve the exposure. 1 when the
// key is one of these, 0 for every other key.
int keyCommand(HookWindow& window, DisplayBitmap& bitmap, uint32_t key);

// The decoded colour of the pixel at column x, row y, or kNoColourText
// outside the picture. The text lives until the next call.
const char* pixelText(int32_t x, int32_t y);

// The exposure in stops. The text lives until the next call.
const char* exposureText();

// Sets the exposure that brings the pixel's luminance to 0.5 before the
// gamma; a pixel outside the picture changes nothing.
void pickExposure(HookWindow& window, DisplayBitmap& bitmap, int32_t x, int32_t y);

// Back to an exposure of 1.
void resetExposure(HookWindow& window, DisplayBitmap& bitmap);

// The five commands in their slots.
ViewerHooks pictureCommandHooks();

}  // namespace pellumir
