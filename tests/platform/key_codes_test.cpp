#include "platform/qt/key_codes.h"

#include <gtest/gtest.h>

namespace pellumir {
namespace {

TEST(VirtualKeyFromQt, LettersAreTheirCapitalsCodeInEitherCase) {
    for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key) {
        EXPECT_EQ(virtualKeyFromQt(key, Qt::NoModifier), uint32_t(65 + key - Qt::Key_A));
        EXPECT_EQ(virtualKeyFromQt(key, Qt::ShiftModifier), uint32_t(65 + key - Qt::Key_A));
    }
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_H, Qt::NoModifier), 72u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_V, Qt::NoModifier), 86u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_R, Qt::NoModifier), 82u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_S, Qt::NoModifier), 83u);
}

TEST(VirtualKeyFromQt, DigitsOnTheMainKeyboardAndTheKeypadDiffer) {
    for (int digit = 0; digit <= 9; ++digit) {
        EXPECT_EQ(virtualKeyFromQt(Qt::Key_0 + digit, Qt::NoModifier), uint32_t(48 + digit));
        EXPECT_EQ(virtualKeyFromQt(Qt::Key_0 + digit, Qt::KeypadModifier), uint32_t(96 + digit));
    }
}

TEST(VirtualKeyFromQt, PlusAndMinusBySourceKey) {
    // The keypad's keys.
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Plus, Qt::KeypadModifier), 107u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Minus, Qt::KeypadModifier), 109u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Asterisk, Qt::KeypadModifier), 106u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Slash, Qt::KeypadModifier), 111u);
    // The main keyboard's =/+ and -/_ keys, with and without Shift.
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Equal, Qt::NoModifier), 187u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Plus, Qt::ShiftModifier), 187u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Minus, Qt::NoModifier), 189u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Underscore, Qt::ShiftModifier), 189u);
}

TEST(VirtualKeyFromQt, KeysWithoutACodeAreZero) {
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_F1, Qt::NoModifier), 0u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Space, Qt::NoModifier), 0u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Period, Qt::NoModifier), 0u);
    EXPECT_EQ(virtualKeyFromQt(Qt::Key_Adiaeresis, Qt::NoModifier), 0u);
}

}  // namespace
}  // namespace pellumir
