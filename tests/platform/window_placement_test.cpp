#include "platform/window_placement.h"

#include <gtest/gtest.h>

namespace pellumir {
namespace {

// Openbox's frame: a 1-pixel border, a title bar of 24 pixels and a resize
// handle at the bottom.
const FrameMargins kFrame{1, 25, 1, 5};

TEST(FittedClientSize, APictureThatFitsGetsItsOwnSize) {
    EXPECT_EQ(fittedClientSize(640, 480, {1024, 768}, kFrame), (WindowSize{640, 480}));
    // Exactly the room the frame leaves.
    EXPECT_EQ(fittedClientSize(1022, 738, {1024, 768}, kFrame), (WindowSize{1022, 738}));
}

TEST(FittedClientSize, ALargerPictureGetsTheAvailableAreaLessTheFrame) {
    EXPECT_EQ(fittedClientSize(8000, 6000, {1024, 768}, kFrame), (WindowSize{1022, 738}));
    EXPECT_EQ(fittedClientSize(8000, 100, {1024, 768}, kFrame), (WindowSize{1022, 100}));
    // Sizes beyond 32 bits do not wrap.
    EXPECT_EQ(fittedClientSize(int64_t{1} << 40, int64_t{1} << 33, {1024, 768}, kFrame),
              (WindowSize{1022, 738}));
}

TEST(FittedClientSize, NeverNarrowerThanTheTitleBarNeeds) {
    // 4 x 2 pixels: wide enough for the icon, three buttons and a little of
    // the caption; the height stays the picture's.
    WindowSize tiny = fittedClientSize(4, 2, {1024, 768}, kFrame);
    EXPECT_EQ(tiny, (WindowSize{minimumClientWidth(kFrame), 2}));
    EXPECT_EQ(minimumClientWidth(kFrame), 7 * 24 - 2);
    // Before the frame is known, a usual title bar is assumed.
    EXPECT_EQ(minimumClientWidth({}), 7 * kAssumedTitleBarHeight);
    // A frame without a title bar is taken as one not known yet.
    EXPECT_EQ(minimumClientWidth({2, 2, 2, 2}), 7 * kAssumedTitleBarHeight - 4);
    EXPECT_EQ(fittedClientSize(0, 0, {1024, 768}, kFrame).height, 1);
    // A screen narrower than that still gets the whole window on it.
    EXPECT_EQ(fittedClientSize(50, 50, {100, 20}, kFrame), (WindowSize{98, 1}));
    EXPECT_EQ(fittedClientSize(50, 50, {2, 2}, kFrame), (WindowSize{1, 1}));
}

TEST(ClientWidthForCaption, LeavesRoomForTheButtonsBesideTheWholeCaption) {
    EXPECT_EQ(clientWidthForCaption(100, kFrame), 100 + 5 * 24 - 2);
    EXPECT_EQ(clientWidthForCaption(100, {}), 100 + 5 * kAssumedTitleBarHeight);
    EXPECT_EQ(clientWidthForCaption(INT32_MAX, {}), INT32_MAX);
}

TEST(CentredWindowPosition, CentresInTheAvailableArea) {
    EXPECT_EQ(centredWindowPosition({648, 514}, {0, 0, 1024, 768}), (Point{188, 127}));
    // room.hdr on 1280 x 1024 under Openbox: the whole frame, 642 x 505.
    EXPECT_EQ(centredWindowPosition({642, 505}, {0, 0, 1280, 1024}), (Point{319, 259}));
    // A panel at the top moves the area, not the screen.
    EXPECT_EQ(centredWindowPosition({200, 100}, {0, 32, 1024, 768}), (Point{412, 350}));
}

TEST(CentredWindowPosition, ALargerWindowStartsAtTheLeftAndTopEdges) {
    EXPECT_EQ(centredWindowPosition({2000, 1000}, {10, 32, 1024, 768}), (Point{10, 32}));
    EXPECT_EQ(centredWindowPosition({1014, 100}, {10, 0, 1024, 768}), (Point{10, 334}));
}

}  // namespace
}  // namespace pellumir
