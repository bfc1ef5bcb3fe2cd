#include "platform/window_placement.h"

#include <gtest/gtest.h>

namespace pellumir {
namespace {

const FrameMargins kFrame{4, 30, 4, 4};

TEST(FittedClientSize, APictureThatFitsGetsItsOwnSize) {
    EXPECT_EQ(fittedClientSize(640, 480, {1024, 768}, kFrame), (WindowSize{640, 480}));
    // Exactly the room the frame leaves.
    EXPECT_EQ(fittedClientSize(1016, 734, {1024, 768}, kFrame), (WindowSize{1016, 734}));
}

TEST(FittedClientSize, ALargerPictureGetsTheScreenLessTheFrame) {
    EXPECT_EQ(fittedClientSize(8000, 6000, {1024, 768}, kFrame), (WindowSize{1016, 734}));
    EXPECT_EQ(fittedClientSize(8000, 100, {1024, 768}, kFrame), (WindowSize{1016, 100}));
    // Sizes beyond 32 bits do not wrap.
    EXPECT_EQ(fittedClientSize(int64_t{1} << 40, int64_t{1} << 33, {1024, 768}, kFrame),
              (WindowSize{1016, 734}));
}

TEST(FittedClientSize, NeverLessThanOnePixel) {
    EXPECT_EQ(fittedClientSize(0, 0, {1024, 768}, kFrame), (WindowSize{1, 1}));
    EXPECT_EQ(fittedClientSize(50, 50, {6, 20}, kFrame), (WindowSize{1, 1}));
}

TEST(CentredWindowPosition, CentresInTheAvailableArea) {
    EXPECT_EQ(centredWindowPosition({648, 514}, {0, 0, 1024, 768}), (Point{188, 127}));
    // A panel at the top moves the area, not the screen.
    EXPECT_EQ(centredWindowPosition({200, 100}, {0, 32, 1024, 768}), (Point{412, 350}));
}

TEST(CentredWindowPosition, ALargerWindowStartsAtTheLeftAndTopEdges) {
    EXPECT_EQ(centredWindowPosition({2000, 1000}, {10, 32, 1024, 768}), (Point{10, 32}));
    EXPECT_EQ(centredWindowPosition({1014, 100}, {10, 0, 1024, 768}), (Point{10, 334}));
}

}  // namespace
}  // namespace pellumir
