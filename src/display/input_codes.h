#pragma once

#include <cstdint>

namespace pellumir {

// What the picture window is told of its input, whatever the desktop: keys
// by their virtual-key codes, mouse messages with the key state as flags,
// menu choices by command number. The desktop's window translates its own
// events into these; the picture window and the picture commands act on
// them.

// Virtual-key codes. A letter is its capital's code in either case, a digit
// its character's; the numeric keypad's digits are 96 to 105.
inline constexpr uint32_t kVirtualKeyNumpad0 = 96;
inline constexpr uint32_t kVirtualKeyMultiply = 106;  // the keypad's *
inline constexpr uint32_t kVirtualKeyAdd = 107;       // the keypad's +
inline constexpr uint32_t kVirtualKeySubtract = 109;  // the keypad's -
inline constexpr uint32_t kVirtualKeyDecimal = 110;   // the keypad's .
inline constexpr uint32_t kVirtualKeyDivide = 111;    // the keypad's /
inline constexpr uint32_t kVirtualKeyOemPlus = 187;   // the main keyboard's =/+ key
inline constexpr uint32_t kVirtualKeyOemMinus = 189;  // the main keyboard's -/_ key

// The letters of the picture commands (keyCommand).
inline constexpr uint32_t kKeyMirror = 'H';
inline constexpr uint32_t kKeyFlip = 'V';
inline constexpr uint32_t kKeyRotate = 'R';
inline constexpr uint32_t kKeySave = 'S';

// The key state that mouse messages carry.
inline constexpr uint32_t kMouseLeftButton = 0x0001;
inline constexpr uint32_t kMouseRightButton = 0x0002;
inline constexpr uint32_t kMouseShift = 0x0004;
inline constexpr uint32_t kMouseControl = 0x0008;
inline constexpr uint32_t kMouseMiddleButton = 0x0010;
inline constexpr uint32_t kMouseBackButton = 0x0020;
inline constexpr uint32_t kMouseForwardButton = 0x0040;

// The window's commands, by the numbers the context menu gives its items.
inline constexpr int kCommandSaveBitmap = 1000;
inline constexpr int kCommandZoomIn = 1001;
inline constexpr int kCommandZoomOut = 1002;
// Has a place in the command map but nothing offers it; it does nothing.
inline constexpr int kCommandUnoffered = 1003;
inline constexpr int kCommandAbout = 1004;
// The exposure commands do what the keypad's plus and minus keys do.
inline constexpr int kCommandExposureUp = 32774;
inline constexpr int kCommandExposureDown = 32775;
inline constexpr int kCommandResetExposure = 32776;

}  // namespace pellumir
