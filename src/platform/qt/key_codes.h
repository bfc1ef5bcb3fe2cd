#pragma once

#include <Qt>
#include <cstdint>

namespace pellumir {

// The virtual-key code (display/input_codes.h) of a Qt key press, as the
// picture window's key handling knows keys: letters 65-90 in either case, digits 48-57, the
// numeric keypad's digits 96-105 and its * + - . / keys 106, 107, 109, 110,
// 111, and the main keyboard's =/+ and -/_ keys 187 and 189. 0 for a key
// without a code here; such a key goes to the dialog's own handling.
uint32_t virtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers);

}  // namespace pellumir
