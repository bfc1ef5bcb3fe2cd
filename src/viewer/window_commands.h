#pragma once

#include <cstdint>

namespace pellumir {

// The key state that mouse messages carry; the window tests only these.
inline constexpr uint32_t kMouseLeftButton = 0x0001;    // MK_LBUTTON
inline constexpr uint32_t kMouseShift = 0x0004;         // MK_SHIFT
inline constexpr uint32_t kMouseMiddleButton = 0x0010;  // MK_MBUTTON

// The window's commands, by the numbers the context menu gives its items.
inline constexpr int kCommandSaveBitmap = 1000;
inline constexpr int kCommandZoomIn = 1001;
inline constexpr int kCommandZoomOut = 1002;
// Has a place in the command map but nothing offers it; it does nothing.
inline constexpr int kCommandUnoffered = 1003;
inline constexpr int kCommandAbout = 1004;
inline constexpr int kCommandExposureUp = 32774;
inline constexpr int kCommandExposureDown = 32775;
inline constexpr int kCommandResetExposure = 32776;

// The keys the exposure commands stand for: the numeric keypad's plus and
// minus (VK_ADD, VK_SUBTRACT).
inline constexpr uint32_t kVirtualKeyAdd = 107;
inline constexpr uint32_t kVirtualKeySubtract = 109;

// What the caller does with a message after the window's method returns:
// nothing more, or hand it on to the base window's own handling.
enum class MessageResult { handled, defaultProcessing };

}  // namespace pellumir
