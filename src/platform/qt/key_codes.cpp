#include "platform/qt/key_codes.h"

#include "display/input_codes.h"

namespace pellumir {

namespace {

uint32_t keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return kVirtualKeyNumpad0 + uint32_t(key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk:
            return kVirtualKeyMultiply;
        case Qt::Key_Plus:
            return kVirtualKeyAdd;
        case Qt::Key_Minus:
            return kVirtualKeySubtract;
        case Qt::Key_Period:
        case Qt::Key_Comma:  // the keypad's decimal key on some layouts
            return kVirtualKeyDecimal;
        case Qt::Key_Slash:
            return kVirtualKeyDivide;
        default:
            return 0;
    }
}

}  // namespace

uint32_t virtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        uint32_t code = keypadKey(key);
        if (code != 0) return code;
    }
    // Qt names a letter by its capital whatever the Shift state, and its
    // codes for capitals and digits are the virtual-key codes themselves.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint32_t(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint32_t(key);
    // One key, two characters: Qt tells them apart by the Shift state, the
    // virtual-key code does not.
    switch (key) {
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return kVirtualKeyOemPlus;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return kVirtualKeyOemMinus;
        default:
            return 0;
    }
}

}  // namespace pellumir
