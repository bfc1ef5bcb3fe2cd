#include "viewer/paint_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "viewer/recording_host.h"
#include "viewer/view_math.h"

namespace pellumir {
namespace {

std::vector<Box> bandsOf(const PaintPlan& plan) {
    return {plan.bands, plan.bands + plan.bandCount};
}

TEST(PlanPaint, HalfZoomOfAnOddSizeLeavesOutTheLastColumnAndTheTopRow) {
    PaintPlan plan = planPaint(101, 11, 0.5f, {0, 0}, {0, 0, 200, 100});
    ASSERT_TRUE(plan.drawsPicture);
    EXPECT_EQ(plan.destination, (Box{0, 0, 50, 5}));
    // Rows count up from the bottom, so the odd row is the top one.
    EXPECT_EQ(plan.source, (Box{0, 0, 100, 10}));
}

TEST(PlanPaint, HandlesAPictureWiderThan32BitsOfDisplayPixels) {
    // 3,000,000 columns at zoom 1024 are 3.07e9 display pixels; the view at
    // -1.5e9 shows columns 1464843 to 1464845, the first cut at 768.
    PaintPlan plan = planPaint(3000000, 2, 1024.0f, {-1500000000, 0}, {0, 0, 1920, 1080});
    ASSERT_TRUE(plan.drawsPicture);
    EXPECT_EQ(plan.destination, (Box{-768, 0, 3072, 2048}));
    EXPECT_EQ(plan.source, (Box{1464843, 0, 3, 2}));
    EXPECT_EQ(plan.bandCount, 0);
}

TEST(PlanPaint, RefusesZoomsThatAreNotPowersOfTwoInRange) {
    for (float zoom : {3.0f, 0.0f, -1.0f, 2048.0f, 1.0f / 512.0f}) {
        PaintPlan plan = planPaint(100, 50, zoom, {0, 0}, {0, 0, 30, 20});
        EXPECT_FALSE(plan.drawsPicture) << zoom;
        EXPECT_EQ(bandsOf(plan), (std::vector<Box>{{0, 0, 30, 20}})) << zoom;
    }
}

// At every zoom and at origins near and far (the 32-bit limits too): every
// client pixel is painted, the source lies in the picture, and the
// destination reaches at most one zoomed pixel past the client area, not at
// all when zoomed out.
TEST(PlanPaint, CoversTheClientAndKeepsTheBlitNearItAtEveryZoomAndOrigin) {
    const uint32_t width = 37;
    const uint32_t height = 23;
    const Rect client{0, 0, 50, 31};
    for (float zoom = kMinZoom; zoom <= kMaxZoom; zoom *= 2.0f) {
        const int32_t shown = static_cast<int32_t>(width * double{zoom});
        for (int32_t ox :
             {0, 1, -1, -7, 49, -1023, 1025, -shown, -shown + 1, INT32_MIN, INT32_MAX}) {
            for (int32_t oy : {0, 3, -3, 30, -1025, -shown - 1, INT32_MIN, INT32_MAX}) {
                PaintPlan plan = planPaint(width, height, zoom, {ox, oy}, client);
                SCOPED_TRACE(testing::Message() << "zoom " << zoom << " at " << ox << "," << oy);
                std::vector<int> painted(50 * 31, 0);
                auto paint = [&](const Box& b) {
                    for (int64_t y = std::max(b.y, 0);
                         y < std::min<int64_t>(int64_t{b.y} + b.height, 31); ++y) {
                        for (int64_t x = std::max(b.x, 0);
                             x < std::min<int64_t>(int64_t{b.x} + b.width, 50); ++x) {
                            painted[size_t(y * 50 + x)] = 1;
                        }
                    }
                };
                if (plan.drawsPicture) paint(plan.destination);
                for (const Box& band : bandsOf(plan))
                    paint(band);
                ASSERT_EQ(std::count(painted.begin(), painted.end(), 0), 0);
                if (!plan.drawsPicture) continue;
                const Box& d = plan.destination;
                const Box& s = plan.source;
                EXPECT_TRUE(s.x >= 0 && s.y >= 0 && s.x + s.width <= int64_t{width} &&
                            s.y + s.height <= int64_t{height});
                const int32_t slack = zoom > 1.0f ? static_cast<int32_t>(zoom) - 1 : 0;
                EXPECT_TRUE(d.x >= -slack && d.y >= -slack && d.x + d.width <= 50 + slack &&
                            d.y + d.height <= 31 + slack);
                EXPECT_EQ(d.width, static_cast<int32_t>(s.width * double{zoom}));
                EXPECT_EQ(d.height, static_cast<int32_t>(s.height * double{zoom}));
            }
        }
    }
}

TEST(PixelUnder, RoundsTowardMinusInfinityAndSaturatesFarOutside) {
    EXPECT_EQ(pixelUnder(39, 40, 4.0f), -1);  // one display pixel left of the picture
    EXPECT_EQ(pixelUnder(35, 40, 4.0f), -2);
    EXPECT_EQ(pixelUnder(43, 40, 4.0f), 0);
    EXPECT_EQ(pixelUnder(3, 0, 0.125f), 24);
    EXPECT_EQ(pixelUnder(INT32_MAX, INT32_MIN, kMinZoom), INT32_MAX);
    EXPECT_EQ(pixelUnder(INT32_MIN, INT32_MAX, kMinZoom), INT32_MIN);
}

TEST(ViewMath, OriginsSaturateAtThe32BitLimits) {
    EXPECT_EQ(originZoomedIn({-1500000000, 1500000000}, {0, 0}), (Point{INT32_MIN, INT32_MAX}));
    EXPECT_EQ(originZoomedOut({INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}), (Point{0, -1}));
    EXPECT_EQ(originPanned({INT32_MAX - 5, 0}, {0, 0}, {100, -3}), (Point{INT32_MAX, -3}));
}

}  // namespace
}  // namespace pellumir
