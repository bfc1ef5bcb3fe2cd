#include "viewer/image_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "viewer/recording_host.h"
#include "viewer/save_as_bitmap.h"
#include "viewer/view_math.h"

namespace pellumir {
namespace {

using Calls = std::vector<std::string>;

// Hooks are plain function pointers, so they report here.
struct HookLog {
    Calls calls;  // all but the title's text look-ups
    int keyResult = 1;
    std::vector<Point> pixelAsked;
    const char* colour = "0.123 0.456 0.789";
    const char* exposure = "停止 (0.0)";
};
HookLog hookLog;

std::string call(const char* what, int a, int b) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %d,%d", what, a, b);
    return text;
}

int keyHook(HookWindow&, DisplayBitmap&, uint32_t key) {
    hookLog.calls.push_back(call("key", int(key), 0));
    return hookLog.keyResult;
}
const char* pixelHook(int32_t x, int32_t y) {
    hookLog.pixelAsked.push_back({x, y});
    return hookLog.colour;
}
const char* exposureHook() {
    return hookLog.exposure;
}
void pickHook(HookWindow&, DisplayBitmap&, int32_t x, int32_t y) {
    hookLog.calls.push_back(call("pick", x, y));
}
void resetHook(HookWindow&, DisplayBitmap&) {
    hookLog.calls.push_back("reset");
}

constexpr uint32_t kLeft = kMouseLeftButton;
constexpr uint32_t kMiddle = kMouseMiddleButton;
constexpr uint32_t kShift = kMouseShift;

class ImageWindowTest : public testing::Test {
  protected:
    ImageWindowTest() : window(bitmap, host) {
        hookLog = HookLog();
        bitmap.allocate(200, 100);
        bitmap.name = "room.hdr";
        window.hooks = {keyHook, pixelHook, exposureHook, pickHook, resetHook};
    }

    DisplayBitmap bitmap;
    test::RecordingHost host;
    ImageWindow window;
};

TEST_F(ImageWindowTest, OpensWithTheBareNameAndAsksForThePicturesSize) {
    EXPECT_EQ(window.zoom, 1.0f);
    EXPECT_EQ(window.origin, (Point{0, 0}));
    EXPECT_EQ(window.initialise(), (ClientSize{200, 100}));
    EXPECT_EQ(host.captions, (std::vector<std::string>{"room.hdr"}));
    // The first move over the window gives the full title.
    window.mouseMove(0, {12, 34});
    EXPECT_EQ(host.captions.size(), 2u);
}

TEST_F(ImageWindowTest, TitleShowsNamePixelColourScaleAndExposure) {
    window.zoom = 2.0f;
    window.mouseMove(0, {25, 69});
    EXPECT_EQ(host.caption(),
              "room.hdr   像素 (  12,  34) 颜色 (0.123 0.456 0.789) 比例 (2) 停止 (0.0)");
    EXPECT_EQ(hookLog.pixelAsked, (std::vector<Point>{{12, 34}}));
    window.zoom = 0.125f;
    window.refreshTitle();
    EXPECT_EQ(host.caption(),
              "room.hdr   像素 ( 200, 552) 颜色 (0.123 0.456 0.789) 比例 (1/8) 停止 (0.0)");
    window.zoom = 8.0f;
    window.refreshTitle();
    EXPECT_NE(host.caption().find(" 比例 (8) "), std::string::npos);
}

TEST_F(ImageWindowTest, TitleAsksForColumnMinusOneJustLeftOfThePicture) {
    window.zoom = 4.0f;
    window.origin = {40, 8};
    window.mouseMove(0, {39, 8});
    EXPECT_EQ(hookLog.pixelAsked, (std::vector<Point>{{-1, 0}}));
    // Without the text hooks (or with hooks that return no text).
    window.hooks.pixelText = nullptr;
    hookLog.exposure = nullptr;
    window.refreshTitle();
    EXPECT_EQ(host.caption(), "room.hdr   像素 (  -1,   0) 颜色 (- - -) 比例 (4) ");
}

TEST_F(ImageWindowTest, NothingIsTitledBeforeTheNativeWindowExists) {
    host.live = false;
    window.mouseMove(0, {5, 5});
    window.zoomIn();
    EXPECT_TRUE(host.captions.empty());
    EXPECT_TRUE(hookLog.pixelAsked.empty());
    EXPECT_EQ(window.zoom, 2.0f);  // the view itself still changes
}

TEST_F(ImageWindowTest, ZoomInAndOutKeepThePointUnderTheZoomPoint) {
    window.zoomPoint = {100, 80};
    window.zoomIn();
    EXPECT_EQ(window.zoom, 2.0f);
    EXPECT_EQ(window.origin, (Point{-100, -80}));
    EXPECT_EQ(window.panOrigin, (Point{-100, -80}));
    EXPECT_EQ(window.panAnchor, (Point{100, 80}));
    EXPECT_EQ(host.invalidations, 1);
    EXPECT_EQ(host.captions.size(), 1u);

    window.origin = {-7, -7};
    window.zoomOut();
    EXPECT_EQ(window.zoom, 1.0f);
    EXPECT_EQ(window.origin, (Point{47, 37}));  // -107 / 2 and -87 / 2 truncate toward zero
    EXPECT_EQ(window.panOrigin, (Point{47, 37}));
    EXPECT_EQ(host.invalidations, 2);
    EXPECT_EQ(host.captions.size(), 2u);
}

TEST_F(ImageWindowTest, ZoomStopsAt1024And1Over256WithoutTouchingAnything) {
    for (int i = 0; i < 10; ++i)
        window.zoomIn();
    for (float limit : {kMaxZoom, kMinZoom}) {
        EXPECT_EQ(window.zoom, limit);
        window.zoomPoint = {50, 60};
        const Point origin = window.origin;
        const Point anchor = window.panAnchor;
        const int invalidations = host.invalidations;
        const size_t captions = host.captions.size();
        limit == kMaxZoom ? window.zoomIn() : window.zoomOut();
        EXPECT_EQ(window.zoom, limit);
        EXPECT_EQ(window.origin, origin);
        EXPECT_EQ(window.panAnchor, anchor);
        EXPECT_EQ(host.invalidations, invalidations);
        EXPECT_EQ(host.captions.size(), captions);
        for (int i = 0; i < 18; ++i)
            window.zoomOut();
    }
}

TEST_F(ImageWindowTest, PaintsTheWorkedExampleOntoTheCanvas) {
    // 100 x 50 at zoom 4 from (-6, 10) in 300 x 120: columns 1 to 76 and
    // rows 0 to 27 (counted from the top), the first column half cut off.
    bitmap.allocate(100, 50);
    host.client = {0, 0, 300, 120};
    window.zoom = 4.0f;
    window.origin = {-6, 10};
    test::RecordingCanvas canvas;
    window.paint(canvas);
    ASSERT_EQ(canvas.blits.size(), 1u);
    EXPECT_EQ(canvas.blits[0].destination, (Box{-2, 10, 304, 112}));
    EXPECT_EQ(canvas.blits[0].source, (Box{1, 22, 76, 28}));
    EXPECT_EQ(canvas.fills, (std::vector<Box>{{0, 0, 300, 10}}));
    EXPECT_EQ(canvas.fillColours, (std::vector<Colour>{{5, 0, 74}}));
}

TEST_F(ImageWindowTest, EnlargedWindowShowsABandBelowAcrossAndOneBesideThePicture) {
    host.client = {0, 0, 200, 100};
    test::RecordingCanvas canvas;
    window.paint(canvas);
    EXPECT_TRUE(canvas.fills.empty());
    host.client = {0, 0, 260, 130};
    window.paint(canvas);
    ASSERT_EQ(canvas.blits.size(), 2u);
    EXPECT_EQ(canvas.blits[1].destination, (Box{0, 0, 200, 100}));
    EXPECT_EQ(canvas.fills, (std::vector<Box>{{0, 100, 260, 30}, {200, 0, 60, 100}}));
}

TEST_F(ImageWindowTest, NeitherAnEmptyBitmapNorAPictureOutOfSightIsBlitted) {
    host.client = {0, 0, 40, 30};
    window.origin = {-500, 0};
    test::RecordingCanvas canvas;
    window.paint(canvas);
    bitmap.release();
    window.origin = {0, 0};
    window.paint(canvas);
    EXPECT_TRUE(canvas.blits.empty());
    EXPECT_EQ(canvas.fills.size(), 2u);
}

TEST_F(ImageWindowTest, LeftAndMiddleDragsPanWithTheMouseCaptured) {
    window.origin = {5, 6};
    EXPECT_EQ(window.leftButtonDown(kLeft, {10, 10}), MessageResult::defaultProcessing);
    EXPECT_EQ(host.captures, 1);
    EXPECT_EQ(window.mouseMove(kLeft, {30, 4}), MessageResult::handled);
    EXPECT_EQ(window.origin, (Point{25, 0}));
    EXPECT_EQ(window.lastCursor, (Point{30, 4}));
    EXPECT_EQ(window.leftButtonUp(0, {30, 4}), MessageResult::defaultProcessing);
    EXPECT_EQ(host.releases, 1);
    // Without a button a move only retitles, like every move.
    EXPECT_EQ(window.mouseMove(0, {80, 90}), MessageResult::defaultProcessing);
    EXPECT_EQ(window.origin, (Point{25, 0}));
    EXPECT_EQ(host.invalidations, 1);
    EXPECT_EQ(host.captions.size(), 2u);

    EXPECT_EQ(window.middleButtonDown(kMiddle, {50, 50}), MessageResult::handled);
    EXPECT_EQ(host.captures, 2);
    window.mouseMove(kMiddle | kShift, {40, 45});
    EXPECT_EQ(window.origin, (Point{15, -5}));
    EXPECT_EQ(window.middleButtonUp(0, {40, 45}), MessageResult::handled);
    EXPECT_EQ(host.releases, 2);
}

TEST_F(ImageWindowTest, MiddleChordsZoomAboutThePressAndThePanGoesOnWithoutAJump) {
    window.middleButtonDown(kMiddle, {50, 50});
    window.mouseMove(kMiddle, {60, 55});
    EXPECT_EQ(window.origin, (Point{10, 5}));

    EXPECT_EQ(window.leftButtonDown(kMiddle | kLeft, {60, 55}), MessageResult::handled);
    EXPECT_EQ(window.zoom, 2.0f);
    EXPECT_EQ(window.origin, (Point{-40, -45}));
    EXPECT_EQ(host.captures, 1);  // the chord takes no capture of its own
    window.mouseMove(kMiddle | kLeft, {60, 55});
    EXPECT_EQ(window.origin, (Point{-40, -45}));
    window.mouseMove(kMiddle, {70, 60});
    EXPECT_EQ(window.origin, (Point{-30, -40}));

    EXPECT_EQ(window.rightButtonDown(kMiddle, {70, 60}), MessageResult::handled);
    EXPECT_EQ(window.zoom, 1.0f);
    EXPECT_EQ(window.origin, (Point{20, 10}));
    EXPECT_TRUE(host.menus.empty());
    window.mouseMove(kMiddle, {71, 58});
    EXPECT_EQ(window.origin, (Point{21, 8}));
}

TEST_F(ImageWindowTest, ShiftLeftPressPicksThePixelUnderItAndStartsNoPan) {
    window.zoom = 4.0f;
    window.origin = {20, 8};
    EXPECT_EQ(window.leftButtonDown(kLeft | kShift, {29, 7}), MessageResult::handled);
    window.leftButtonDown(kLeft | kShift, {0, 0});  // over the background
    EXPECT_EQ(hookLog.calls, (Calls{"pick 2,-1", "pick -5,-2"}));
    EXPECT_EQ(host.captures, 0);
    EXPECT_EQ(window.panAnchor, (Point{0, 0}));
    EXPECT_EQ(window.mouseMove(kLeft | kShift, {40, 40}), MessageResult::defaultProcessing);
    EXPECT_EQ(window.origin, (Point{20, 8}));
}

TEST_F(ImageWindowTest, ReleasingShiftWithTheLeftButtonHeldPansFromTheLastAnchor) {
    window.leftButtonDown(kLeft, {10, 10});
    window.mouseMove(kLeft, {20, 25});
    window.leftButtonUp(0, {20, 25});
    window.leftButtonDown(kLeft | kShift, {50, 50});
    window.mouseMove(kLeft | kShift, {55, 55});
    EXPECT_EQ(window.origin, (Point{10, 15}));
    window.mouseMove(kLeft, {60, 60});
    EXPECT_EQ(window.origin, (Point{50, 50}));  // (0, 0) + (60, 60) - (10, 10)
}

TEST_F(ImageWindowTest, DoubleClicksActAsPressesExceptTheMiddleOne) {
    EXPECT_EQ(window.leftButtonDoubleClick(kLeft, {7, 8}), MessageResult::defaultProcessing);
    EXPECT_EQ(host.captures, 1);
    EXPECT_EQ(window.panAnchor, (Point{7, 8}));
    window.leftButtonDoubleClick(kLeft | kMiddle, {4, 4});
    EXPECT_EQ(window.zoom, 2.0f);
    window.leftButtonDoubleClick(kLeft | kShift, {4, 4});
    EXPECT_EQ(hookLog.calls, (Calls{"pick 4,4"}));  // origin (-4, -4) at zoom 2
    window.rightButtonDoubleClick(0, {9, 9});
    EXPECT_EQ(host.menus.size(), 1u);
    window.rightButtonDoubleClick(kMiddle, {4, 4});
    EXPECT_EQ(window.zoom, 1.0f);

    // A quick second middle click keeps the first press's anchor.
    window.origin = {0, 0};
    window.middleButtonDown(kMiddle, {30, 30});
    EXPECT_EQ(window.middleButtonDoubleClick(kMiddle, {35, 35}), MessageResult::handled);
    EXPECT_EQ(host.captures, 2);
    window.mouseMove(kMiddle, {40, 40});
    EXPECT_EQ(window.origin, (Point{10, 10}));
}

TEST_F(ImageWindowTest, RightPressShowsTheTenItemsAtTheScreenPoint) {
    EXPECT_EQ(window.rightButtonDown(0, {12, 34}), MessageResult::handled);
    ASSERT_EQ(host.menus.size(), 1u);
    EXPECT_EQ(host.menus[0], (std::vector<MenuItem>{{1001, "放大"},
                                                    {1002, "缩小"},
                                                    {0, ""},
                                                    {32774, "向上曝光\t+"},
                                                    {32775, "向下曝光\t-"},
                                                    {32776, "重置曝光"},
                                                    {0, ""},
                                                    {1000, "另存&为Bitmap..."},
                                                    {0, ""},
                                                    {1004, "关于..."}}));
    EXPECT_EQ(host.menuPoints[0], (Point{1012, 534}));
    EXPECT_EQ(window.zoomPoint, (Point{12, 34}));
    EXPECT_EQ(host.captures, 0);
    // Dismissed, the menu changes nothing.
    EXPECT_EQ(window.zoom, 1.0f);
    EXPECT_TRUE(hookLog.calls.empty());
}

TEST_F(ImageWindowTest, MenuZoomWorksAboutWhereTheMenuOpenedAndStopsAt1024) {
    host.menuChoice = kCommandZoomIn;
    window.rightButtonDown(0, {100, 80});
    EXPECT_EQ(window.zoom, 2.0f);
    EXPECT_EQ(window.origin, (Point{-100, -80}));
    window.zoom = 1024.0f;
    const int invalidations = host.invalidations;
    const size_t captions = host.captions.size();
    window.rightButtonDown(0, {10, 10});
    EXPECT_EQ(window.zoom, 1024.0f);
    EXPECT_EQ(window.origin, (Point{-100, -80}));
    EXPECT_EQ(host.invalidations, invalidations);
    EXPECT_EQ(host.captions.size(), captions);
}

TEST_F(ImageWindowTest, EachMenuItemReachesTheSameHookAsItsKey) {
    hookLog.keyResult = 0;  // the menu's exposure items do not look at it
    for (int choice :
         {kCommandExposureUp, kCommandExposureDown, kCommandResetExposure, kCommandAbout}) {
        host.menuChoice = choice;
        window.rightButtonDown(0, {5, 5});
    }
    window.keyDown(kVirtualKeyAdd);
    window.keyDown(kVirtualKeySubtract);
    EXPECT_EQ(hookLog.calls, (Calls{"key 107,0", "key 109,0", "reset", "key 107,0", "key 109,0"}));
    EXPECT_EQ(host.abouts, 1);
    EXPECT_EQ(window.command(kCommandUnoffered), MessageResult::handled);
    EXPECT_EQ(window.command(1), MessageResult::defaultProcessing);  // IDOK is the base's
}

TEST_F(ImageWindowTest, UnhandledKeysGoToDefaultProcessing) {
    EXPECT_EQ(window.keyDown('H'), MessageResult::handled);
    hookLog.keyResult = 0;
    EXPECT_EQ(window.keyDown('Q'), MessageResult::defaultProcessing);
    EXPECT_EQ(hookLog.calls, (Calls{"key 72,0", "key 81,0"}));
}

TEST_F(ImageWindowTest, AbsentHooksAreSkipped) {
    window.hooks = ViewerHooks();
    for (int id : {kCommandExposureUp, kCommandExposureDown, kCommandResetExposure}) {
        EXPECT_EQ(window.command(id), MessageResult::handled);
    }
    EXPECT_EQ(window.leftButtonDown(kLeft | kShift, {3, 3}), MessageResult::handled);
    EXPECT_EQ(window.keyDown(kVirtualKeyAdd), MessageResult::handled);  // ignored
    window.mouseMove(0, {3, 3});
    EXPECT_TRUE(hookLog.calls.empty());
    EXPECT_TRUE(hookLog.pixelAsked.empty());
}

TEST(ProposedBitmapName, ReplacesFromTheLastDot) {
    EXPECT_EQ(proposedBitmapName("room.hdr"), "room.bmp");
    EXPECT_EQ(proposedBitmapName("a.b.hdr"), "a.b.bmp");
    EXPECT_EQ(proposedBitmapName("room"), "room");
    EXPECT_EQ(proposedBitmapName(".hdr"), ".bmp");
}

TEST_F(ImageWindowTest, SaveAsBitmapAsksWithTheBmpDialogAndWritesTheBitmap) {
    window.command(kCommandSaveBitmap);  // cancelled
    test::TempDir dir;
    host.savePath = dir.file("room.bmp");
    window.command(kCommandSaveBitmap);
    ASSERT_EQ(host.saveDialogs.size(), 2u);
    const FileDialogOptions& options = host.saveDialogs[1];
    EXPECT_EQ(options.defaultExtension, "bmp");
    EXPECT_EQ(options.initialName, "room.bmp");
    EXPECT_EQ(options.filter, "BMP文件 (*.bmp)|*.bmp|所有文件 (*.*)|*.*||");
    EXPECT_TRUE(options.overwritePrompt);
    EXPECT_TRUE(host.messages.empty());
    std::string bytes = test::readBytes(dir.file("room.bmp"));
    EXPECT_EQ(bytes.size(), 54u + 200u * 3 * 100);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
}

TEST_F(ImageWindowTest, FailedBitmapSaveIsReportedCaptionedWithThePath) {
    test::TempDir dir;
    host.savePath = dir.file("missing/room.bmp");
    window.saveAsBitmap();
    bitmap.release();  // an empty bitmap writes nothing and says so
    host.savePath = dir.file("empty.bmp");
    window.saveAsBitmap();
    using Message = std::pair<std::string, std::string>;
    EXPECT_EQ(host.messages, (std::vector<Message>{{"保存文件错误", dir.file("missing/room.bmp")},
                                                   {"保存文件错误", dir.file("empty.bmp")}}));
    EXPECT_EQ(host.details, (std::vector<std::string>{"No such file or directory",
                                                      "there is no picture to save"}));
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace pellumir
