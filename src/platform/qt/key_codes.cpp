#include "platform/qt/key_codes.h"

namespace pellumir {

namespace {

constexpr uint32_t kVkNumpad0 = 96;
constexpr uint32_t kVkMultiply = 106;
constexpr uint32_t kVkAdd = 107;
constexpr uint32_t kVkSubtract = 109;
constexpr uint32_t kVkDecimal = 110;
constexpr uint32_t kVkDivide = 111;
constexpr uint32_t kVkOemPlus = 187;
constexpr uint32_t kVkOemMinus = 189;

uint32_t keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return kVkNumpad0 + uint32_t(key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk:
            return kVkMultiply;
        case Qt::Key_Plus:
            return kVkAdd;
        case Qt::Key_Minus:
            return kVkSubtract;
        case Qt::Key_Period:
        case Qt::Key_Comma:  // the keypad's decimal key on some layouts
            return kVkDecimal;
        case Qt::Key_Slash:
            return kVkDivide;
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
            return kVkOemPlus;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return kVkOemMinus;
        default:
            return 0;
    }
}

}  // namespace pellumir
