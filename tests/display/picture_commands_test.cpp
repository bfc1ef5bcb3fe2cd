#include "display/picture_commands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "display/recording_window.h"
#include "display/viewer_state.h"
#include "io/safe_output.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::RecordingWindow;
using test::TempDir;

const std::vector<std::string> kRefresh = {"invalidate", "refreshTitle", "updateNow"};

// Every test starts from a fresh run: exposure 1 and the picture it sets.
class PictureCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        currentExposure = 1.0f;
        currentPicture.release();
    }
    void TearDown() override {
        currentExposure = 1.0f;
        currentPicture.release();
    }

    // A picture whose pixel (x, y) is {x, y, 7, 128}, or `fill` everywhere.
    void usePicture(uint32_t width, uint32_t height) {
        currentPicture.allocate(width, height);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                currentPicture.rows[y][x] = {uint8_t(x), uint8_t(y), 7, 128};
            }
        }
        startDisplay();
    }
    void usePicture(uint32_t width, uint32_t height, RgbePixel fill) {
        currentPicture.allocate(width, height);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x)
                currentPicture.rows[y][x] = fill;
        }
        startDisplay();
    }
    void startDisplay() {
        bitmap.build(currentPicture.pixels(), currentPicture.width, currentPicture.height,
                     currentExposure, kDisplayGamma);
    }

    // Blue, green, red shown for picture pixel (x, y).
    std::vector<int> shown(uint32_t x, uint32_t y) const {
        const uint8_t* p = bitmap.rows[bitmap.height - 1 - y] + 3 * x;
        return {p[0], p[1], p[2]};
    }
    int key(uint32_t code) { return keyCommand(window, bitmap, code); }

    RecordingWindow window;
    DisplayBitmap bitmap;
};

TEST_F(PictureCommands, PlusAndMinusDoubleAndHalveTheExposureByEitherKey) {
    usePicture(2, 2);
    EXPECT_STREQ(exposureText(), "停止 (0.0)");
    EXPECT_EQ(key(107), 1);
    EXPECT_EQ(key(187), 1);
    EXPECT_EQ(key(107), 1);
    EXPECT_EQ(currentExposure, 8.0f);
    EXPECT_STREQ(exposureText(), "停止 (3.0)");
    EXPECT_EQ(key(109), 1);
    EXPECT_EQ(currentExposure, 4.0f);
    EXPECT_STREQ(exposureText(), "停止 (2.0)");
    EXPECT_EQ(key(189), 1);
    EXPECT_EQ(currentExposure, 2.0f);
    resetExposure(window, bitmap);
    EXPECT_EQ(currentExposure, 1.0f);
    EXPECT_STREQ(exposureText(), "停止 (0.0)");
    EXPECT_EQ(window.calls.size(), 6 * kRefresh.size());
}

TEST_F(PictureCommands, RefreshRebuildsTheBitmapBeforeTheWindowRepaints) {
    usePicture(1, 1, {128, 128, 128, 128});
    window.watched = &bitmap;
    EXPECT_EQ(shown(0, 0), (std::vector<int>{187, 187, 187}));
    key(109);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"invalidate 1x1", "refreshTitle", "updateNow"}));
    EXPECT_EQ(shown(0, 0)[0], 136);  // half of mid-grey: 256 * 0.251^(1/2.2) = 136.6
}

// The converter writing a Radiance file: the commands act on the picture
// and the exposure and still tell the window, but never build a bitmap.
TEST_F(PictureCommands, AWindowThatShowsNoBitmapGetsNoneBuilt) {
    usePicture(3, 2);
    bitmap.release();
    window.showsBitmap = false;
    for (uint32_t code : {82u, 72u, 86u, 107u, 109u})
        EXPECT_EQ(key(code), 1);
    pickExposure(window, bitmap, 0, 0);
    resetExposure(window, bitmap);
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(window.calls.size(), 7 * kRefresh.size());
    // Turned, mirrored and flipped: pixel (x, y) of the 2 x 3 picture came
    // from (2 - y, x) of the 3 x 2 one.
    ASSERT_EQ(currentPicture.width, 2u);
    ASSERT_EQ(currentPicture.height, 3u);
    EXPECT_EQ(currentPicture.rows[0][1], (RgbePixel{2, 1, 7, 128}));
    EXPECT_EQ(currentPicture.rows[2][0], (RgbePixel{0, 0, 7, 128}));
    EXPECT_EQ(currentExposure, 1.0f);
}

TEST_F(PictureCommands, PickingMidGreyBringsItTo186) {
    usePicture(2, 1, {128, 128, 128, 128});
    pickExposure(window, bitmap, 1, 0);
    EXPECT_EQ(currentExposure, 0.99610895f);
    EXPECT_STREQ(exposureText(), "停止 (-0.0)");
    EXPECT_EQ(shown(1, 0), (std::vector<int>{186, 186, 186}));
    EXPECT_EQ(window.calls, kRefresh);
}

TEST_F(PictureCommands, PickingABlackPixelMakesTheExposureInfinite) {
    usePicture(2, 1, {0, 0, 0, 0});
    currentPicture.rows[0][1] = {1, 2, 3, 1};
    startDisplay();
    pickExposure(window, bitmap, 0, 0);
    EXPECT_EQ(currentExposure, std::numeric_limits<float>::infinity());
    EXPECT_EQ(shown(0, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(shown(1, 0), (std::vector<int>{255, 255, 255}));
}

TEST_F(PictureCommands, PicksOutsideThePictureChangeNothing) {
    usePicture(3, 2);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MIN, INT32_MAX}}) {
        pickExposure(window, bitmap, x, y);
    }
    EXPECT_EQ(currentExposure, 1.0f);
    EXPECT_TRUE(window.calls.empty());
}

TEST_F(PictureCommands, PixelTextDecodesInsideAndDashesOutside) {
    usePicture(3, 2, {0, 0, 0, 0});
    currentPicture.rows[1][2] = {128, 64, 0, 128};
    EXPECT_STREQ(pixelText(2, 1), "0.502 0.252 0.002");
    EXPECT_STREQ(pixelText(0, 0), "0.000 0.000 0.000");
    EXPECT_STREQ(pixelText(-1, 0), "- - -");
    EXPECT_STREQ(pixelText(3, 0), "- - -");
    EXPECT_STREQ(pixelText(0, -1), "- - -");
    EXPECT_STREQ(pixelText(0, 2), "- - -");
}

TEST_F(PictureCommands, PixelTextOfTheBrightestPixelFitsItsBuffer) {
    usePicture(1, 1, {255, 255, 255, 255});
    std::string text = pixelText(0, 0);
    EXPECT_EQ(text.size(), 3 * 43 + 2u);  // 39 integer digits, a point, three decimals
}

TEST_F(PictureCommands, EveryOtherKeyReturnsZeroAndDoesNothing) {
    usePicture(3, 2);
    const std::vector<uint32_t> handled = {72, 86, 82, 83, 107, 187, 109, 189};
    for (uint32_t code = 0; code < 1024; ++code) {
        if (std::find(handled.begin(), handled.end(), code) != handled.end()) continue;
        ASSERT_EQ(key(code), 0) << code;
    }
    EXPECT_EQ(key(0xffffffffu), 0);
    EXPECT_EQ(key(72 + 32), 0);  // 'h' is not a virtual-key code of H
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(currentExposure, 1.0f);
    EXPECT_EQ(currentPicture.rows[0][1], (RgbePixel{1, 0, 7, 128}));
}

TEST_F(PictureCommands, MirrorsFlipsAndTurnsThePictureAndItsBitmap) {
    usePicture(3, 2);
    window.watched = &bitmap;
    EXPECT_EQ(key(72), 1);
    EXPECT_EQ(currentPicture.rows[0][0], (RgbePixel{2, 0, 7, 128}));
    EXPECT_EQ(currentPicture.rows[1][1], (RgbePixel{1, 1, 7, 128}));
    EXPECT_EQ(key(86), 1);
    EXPECT_EQ(currentPicture.rows[0][0], (RgbePixel{2, 1, 7, 128}));
    EXPECT_EQ(key(82), 1);  // clockwise: the old bottom-left pixel comes to the top left
    ASSERT_EQ(currentPicture.width, 2u);
    ASSERT_EQ(currentPicture.height, 3u);
    EXPECT_EQ(currentPicture.rows[0][0], (RgbePixel{2, 0, 7, 128}));
    EXPECT_EQ(bitmap.header.biWidth, 2);
    EXPECT_EQ(bitmap.header.biHeight, 3);
    EXPECT_EQ(window.calls.back(), "updateNow");
    EXPECT_EQ(window.calls[window.calls.size() - 3], "invalidate 2x3");
}

TEST_F(PictureCommands, MirrorOfOnePixelWideAndFlipOfOddHeightStillRefresh) {
    usePicture(1, 3);
    EXPECT_EQ(key(72), 1);
    EXPECT_EQ(key(86), 1);
    EXPECT_EQ(currentPicture.rows[0][0], (RgbePixel{0, 2, 7, 128}));
    EXPECT_EQ(currentPicture.rows[1][0], (RgbePixel{0, 1, 7, 128}));
    EXPECT_EQ(window.calls.size(), 2 * kRefresh.size());
}

TEST_F(PictureCommands, SaveAsksWithTheRadianceDialogAndCancelWritesNothing) {
    TempDir dir;
    usePicture(3, 2);
    EXPECT_EQ(key(83), 1);
    EXPECT_EQ(window.calls, std::vector<std::string>{"saveFileDialog"});
    ASSERT_EQ(window.dialogs.size(), 1u);
    const FileDialogOptions& options = window.dialogs[0];
    EXPECT_EQ(options.defaultExtension, "hdr");
    EXPECT_EQ(options.initialName, "");
    EXPECT_EQ(options.filter, "HDR文件 (*.hdr,*.pic)|*.hdr;*.pic|所有文件 (*.*)|*.*||");
    EXPECT_TRUE(options.overwritePrompt);
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(PictureCommands, SaveWritesThePictureAsItStandsWithoutTheExposure) {
    TempDir dir;
    usePicture(3, 2);
    key(107);
    key(82);
    window.calls.clear();
    window.dialogAnswer = dir.file("out.hdr");
    EXPECT_EQ(key(83), 1);
    EXPECT_EQ(window.calls, std::vector<std::string>{"saveFileDialog"});  // no rebuild
    RgbeImage saved;
    ASSERT_EQ(readRadiance(saved, dir.file("out.hdr")), 1);
    ASSERT_EQ(saved.width, 2u);
    ASSERT_EQ(saved.height, 3u);
    EXPECT_EQ(std::vector<RgbePixel>(saved.pixels(), saved.pixels() + 6),
              std::vector<RgbePixel>(currentPicture.pixels(), currentPicture.pixels() + 6));
}

ssize_t failingWrite(int, const void*, size_t) {
    return errno = ENOSPC, -1;
}

TEST_F(PictureCommands, AFailedSaveSaysSoAndLeavesTheOldFile) {
    TempDir dir;
    usePicture(3, 2);
    test::writeBytes(dir.file("old.hdr"), "precious");
    window.dialogAnswer = dir.file("old.hdr");
    FileOps ops = realFileOps();
    ops.write = failingWrite;
    setFileOpsForTesting(&ops);
    int result = key(83);
    setFileOpsForTesting(nullptr);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"saveFileDialog",
                                        "messageBox 保存文件错误 | " + dir.file("old.hdr")}));
    // The system's words for the failed call are the box's detail.
    EXPECT_EQ(window.details, std::vector<std::string>{"No space left on device"});
    EXPECT_EQ(test::readBytes(dir.file("old.hdr")), "precious");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"old.hdr"});
}

// The single-precision table goes black below an exposure of 2^-14; twenty
// stops down, a pixel 20 stops above mid-grey must still show as mid-grey
// does at exposure 1.
TEST_F(PictureCommands, TwentyMinusesKeepBrightPixelsVisible) {
    usePicture(2, 1, {128, 128, 128, 148});
    currentPicture.rows[0][1] = {128, 128, 128, 149};
    for (int i = 0; i < 20; ++i)
        key(189);
    EXPECT_EQ(currentExposure, 0x1p-20f);
    EXPECT_STREQ(exposureText(), "停止 (-20.0)");
    EXPECT_EQ(shown(0, 0), (std::vector<int>{187, 187, 187}));
    EXPECT_EQ(shown(1, 0), (std::vector<int>{255, 255, 255}));
}

TEST_F(PictureCommands, PickingAVeryBrightGreyPixelShowsItAs186) {
    usePicture(1, 1);
    encodeRgbe(currentPicture.rows[0][0], 1e5, 1e5, 1e5);
    startDisplay();
    pickExposure(window, bitmap, 0, 0);
    EXPECT_LT(currentExposure, 0x1p-14f);
    EXPECT_EQ(shown(0, 0), (std::vector<int>{186, 186, 186}));
}

TEST_F(PictureCommands, ExposureLimitsFollowSinglePrecision) {
    usePicture(1, 1);
    for (int i = 0; i < 128; ++i)
        key(107);
    EXPECT_EQ(currentExposure, std::numeric_limits<float>::infinity());
    EXPECT_STREQ(exposureText(), "停止 (inf)");
    key(109);
    EXPECT_EQ(currentExposure, std::numeric_limits<float>::infinity());
    resetExposure(window, bitmap);
    for (int i = 0; i < 150; ++i)
        key(109);
    EXPECT_EQ(currentExposure, 0.0f);
    EXPECT_STREQ(exposureText(), "停止 (-inf)");
    EXPECT_EQ(shown(0, 0), (std::vector<int>{0, 0, 0}));
}

}  // namespace
}  // namespace pellumir
