#include "platform/qt/mouse_input.h"

#include <gtest/gtest.h>

namespace pellumir {
namespace {

TEST(MouseKeyState, ButtonsAndModifiersBecomeTheirFlags) {
    EXPECT_EQ(mouseKeyState(Qt::NoButton, Qt::NoModifier), 0u);
    EXPECT_EQ(mouseKeyState(Qt::LeftButton, Qt::NoModifier), 0x01u);
    EXPECT_EQ(mouseKeyState(Qt::RightButton, Qt::NoModifier), 0x02u);
    EXPECT_EQ(mouseKeyState(Qt::NoButton, Qt::ShiftModifier), 0x04u);
    EXPECT_EQ(mouseKeyState(Qt::NoButton, Qt::ControlModifier), 0x08u);
    EXPECT_EQ(mouseKeyState(Qt::MiddleButton, Qt::NoModifier), 0x10u);
    EXPECT_EQ(mouseKeyState(Qt::LeftButton | Qt::MiddleButton, Qt::ShiftModifier), 0x15u);
    // Alt and Meta have no flag.
    EXPECT_EQ(mouseKeyState(Qt::LeftButton, Qt::AltModifier | Qt::MetaModifier), 0x01u);
}

TEST(DevicePoint, ScalesByTheRatioAndTakesThePixelThePointFallsIn) {
    EXPECT_EQ(devicePoint({10, 20}, 1.0), (Point{10, 20}));
    EXPECT_EQ(devicePoint({10.5, 20.25}, 2.0), (Point{21, 40}));
    EXPECT_EQ(devicePoint({3.4, 3.4}, 1.5), (Point{5, 5}));
    // Left of and above the window, when the mouse is grabbed.
    EXPECT_EQ(devicePoint({-0.5, -3}, 1.0), (Point{-1, -3}));
    // Far outside: kept within 32 bits; a broken ratio counts as 1.
    EXPECT_EQ(devicePoint({1e12, -1e12}, 1.0), (Point{INT32_MAX, INT32_MIN}));
    EXPECT_EQ(devicePoint({7, 8}, 0.0), (Point{7, 8}));
}

}  // namespace
}  // namespace pellumir
