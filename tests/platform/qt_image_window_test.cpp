#include "platform/qt/qt_image_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <string>
#include <vector>

#include "display/input_codes.h"
#include "display/picture_commands.h"
#include "display/viewer_state.h"
#include "platform/window_placement.h"

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;

// The real window over a small picture with the program's own hooks,
// opened as the modal run opens it but driven from here.
class QtImageWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        currentExposure = 1.0f;
        currentPicture.allocate(kWidth, kHeight);
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                currentPicture.rows[y][x] = {uint8_t(4 * x), uint8_t(5 * y), 90, 128};
            }
        }
        bitmap.name = "room.hdr";
        rebuild();
        window = std::make_unique<QtImageWindow>(bitmap, pictureCommandHooks(),
                                                 [this](QWidget*) { ++abouts; });
        window->setPopupMenuRunner([this](const std::vector<MenuItem>& items, QPoint global) {
            menus.push_back(items);
            menuPoints.push_back(global);
            return menuChoice;
        });
        window->start();
    }
    void TearDown() override {
        window.reset();
        currentPicture.release();
        currentExposure = 1.0f;
    }
    void rebuild() {
        bitmap.build(currentPicture.pixels(), kWidth, kHeight, currentExposure, kDisplayGamma);
        bitmap.fillHeader();
    }

    // One mouse event as the desktop delivers it: the button that changed,
    // the buttons held after it, the modifiers.
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QPointF local(at);
        QMouseEvent event(type, local, window->mapToGlobal(local), button, held, modifiers);
        QApplication::sendEvent(window.get(), &event);
    }
    void press(Qt::MouseButton button, Qt::MouseButtons held, QPoint at,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, button, held, at, modifiers);
    }
    void release(Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        mouse(QEvent::MouseButtonRelease, button, held, at);
    }
    void move(Qt::MouseButtons held, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        mouse(QEvent::MouseMove, Qt::NoButton, held, at, modifiers);
    }
    std::string title() const { return window->windowTitle().toStdString(); }
    QImage shown() const { return window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The bitmap's colour for picture pixel (x, y), as the screen shows it.
    QRgb bitmapPixel(uint32_t x, uint32_t y) const {
        const uint8_t* p = bitmap.rows[bitmap.height - 1 - y] + 3 * x;
        return qRgb(p[2], p[1], p[0]);
    }

    DisplayBitmap bitmap;
    std::unique_ptr<QtImageWindow> window;
    int abouts = 0;
    int menuChoice = 0;
    std::vector<std::vector<MenuItem>> menus;
    std::vector<QPoint> menuPoints;
};

TEST_F(QtImageWindowTest, OpensAtThePicturesSizeShowingExactlyItsPixels) {
    EXPECT_EQ(title(), "room.hdr");
    // Narrower than a title bar needs: as wide as that, with the background
    // beside the picture, as when the window is widened by hand.
    const int wide = minimumClientWidth({});
    ASSERT_GT(wide, int(kWidth));
    EXPECT_EQ(window->deviceClientSize(), QSize(wide, kHeight));
    QImage image = shown();
    ASSERT_EQ(image.size(), QSize(wide, kHeight));
    int wrong = 0;
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            if (image.pixel(int(x), int(y)) != bitmapPixel(x, y)) ++wrong;
        }
        if (image.pixel(wide - 1, int(y)) != qRgb(5, 0, 74)) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(window->windowIcon().isNull());
    // Nor can it be made narrower by hand.
    window->resize(10, kHeight);
    EXPECT_EQ(window->width(), wide);
}

TEST_F(QtImageWindowTest, TheBackgroundFillsWhatThePictureDoesNotCover) {
    const int wide = window->deviceClientSize().width() + 20;
    window->resize(wide, kHeight + 10);
    QImage image = shown();
    ASSERT_EQ(image.size(), QSize(wide, kHeight + 10));
    const QRgb background = qRgb(5, 0, 74);
    EXPECT_EQ(image.pixel(kWidth, 0), background);
    EXPECT_EQ(image.pixel(wide - 1, kHeight - 1), background);
    EXPECT_EQ(image.pixel(0, kHeight), background);
    EXPECT_EQ(image.pixel(wide - 1, kHeight + 9), background);
    EXPECT_EQ(image.pixel(kWidth - 1, kHeight - 1), bitmapPixel(kWidth - 1, kHeight - 1));
}

TEST_F(QtImageWindowTest, ThePointerNamesTheDevicePixelFromItsFractionalPosition) {
    // As Qt 6.4 delivers a move at a device pixel ratio of 2 over device
    // pixel (3, 1): the widget position rounded to the logical pixel
    // (2, 1), the window position exact. Only the latter names (3, 1).
    const double ratio = window->devicePixelRatio();
    QPointF exact(3.5 / ratio, 1.5 / ratio);
    QPointF rounded(std::round(exact.x()), std::round(exact.y()));
    QMouseEvent event(QEvent::MouseMove, rounded, exact, window->mapToGlobal(exact), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &event);
    EXPECT_NE(title().find("像素 (   3,   1)"), std::string::npos) << title();
}

TEST_F(QtImageWindowTest, MovesTitleThePixelUnderTheCursor) {
    move(Qt::NoButton, {10, 20});
    std::string expected = std::string("room.hdr   像素 (  10,  20) 颜色 (") + pixelText(10, 20) +
                           ") 比例 (1) 停止 (0.0)";
    EXPECT_EQ(title(), expected);
    EXPECT_EQ(window->view().origin, (Point{0, 0}));
}

TEST_F(QtImageWindowTest, TheDesktopShowsTheCaptionUnchanged) {
    // Qt would take "[*]" in a file name for its unsaved-changes mark.
    bitmap.name = "a[*]b.hdr";
    move(Qt::NoButton, {1, 2});
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_TRUE(window->windowHandle()->title().startsWith(QStringLiteral("a[*]b.hdr   像素")))
        << window->windowHandle()->title().toStdString();
}

TEST_F(QtImageWindowTest, LeftDragPansWithTheMouseGrabbed) {
    press(Qt::LeftButton, Qt::LeftButton, {10, 10});
    EXPECT_EQ(QWidget::mouseGrabber(), window.get());
    move(Qt::LeftButton, {15, 7});
    EXPECT_EQ(window->view().origin, (Point{5, -3}));
    release(Qt::LeftButton, Qt::NoButton, {15, 7});
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    move(Qt::NoButton, {30, 30});
    EXPECT_EQ(window->view().origin, (Point{5, -3}));

    // The panned picture is what is painted: its pixel (0, 0) at (5, -3).
    QImage image = shown();
    EXPECT_EQ(image.pixel(5, 0), bitmapPixel(0, 3));
    EXPECT_EQ(image.pixel(4, 0), qRgb(5, 0, 74));
}

TEST_F(QtImageWindowTest, MiddleWithLeftZoomsInAndWithRightZoomsOut) {
    press(Qt::MiddleButton, Qt::MiddleButton, {20, 20});
    EXPECT_EQ(QWidget::mouseGrabber(), window.get());
    press(Qt::LeftButton, Qt::MiddleButton | Qt::LeftButton, {10, 8});
    EXPECT_EQ(window->view().zoom, 2.0f);
    EXPECT_EQ(window->view().origin, (Point{-10, -8}));
    release(Qt::LeftButton, Qt::MiddleButton, {10, 8});
    press(Qt::RightButton, Qt::MiddleButton | Qt::RightButton, {10, 8});
    EXPECT_EQ(window->view().zoom, 1.0f);
    EXPECT_TRUE(menus.empty());
    release(Qt::MiddleButton, Qt::RightButton, {10, 8});
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(QtImageWindowTest, ShiftLeftClickSetsTheExposureFromThePixel) {
    press(Qt::LeftButton, Qt::LeftButton, {30, 20}, Qt::ShiftModifier);
    EXPECT_NE(currentExposure, 1.0f);
    // No pan starts, and the shown bitmap is rebuilt at the new exposure.
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    move(Qt::NoButton, {30, 20});
    EXPECT_EQ(title().find("停止 (0.0)"), std::string::npos);
    DisplayBitmap expected;
    expected.build(currentPicture.pixels(), kWidth, kHeight, currentExposure, kDisplayGamma);
    const uint8_t* p = expected.rows[kHeight - 1 - 20] + 3 * 30;
    EXPECT_EQ(shown().pixel(30, 20), qRgb(p[2], p[1], p[0]));
}

TEST_F(QtImageWindowTest, RightPressOpensTheMenuWhoseChoiceIsCarriedOut) {
    menuChoice = kCommandExposureUp;
    press(Qt::RightButton, Qt::RightButton, {12, 9});
    ASSERT_EQ(menus.size(), 1u);
    ASSERT_EQ(menus[0].size(), 10u);
    EXPECT_EQ(menus[0][3], (MenuItem{kCommandExposureUp, "向上曝光\t+"}));
    EXPECT_EQ(menuPoints[0], window->mapToGlobal(QPoint(12, 9)));
    EXPECT_EQ(currentExposure, 2.0f);
    EXPECT_EQ(title().substr(title().size() - std::string("停止 (1.0)").size()), "停止 (1.0)");

    menuChoice = kCommandZoomIn;
    press(Qt::RightButton, Qt::RightButton, {12, 9});
    EXPECT_EQ(window->view().zoom, 2.0f);
    EXPECT_EQ(window->view().origin, (Point{-12, -9}));

    menuChoice = kCommandAbout;
    mouse(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::RightButton, {1, 1});
    EXPECT_EQ(menus.size(), 3u);
    EXPECT_EQ(abouts, 1);

    menuChoice = 0;
    press(Qt::RightButton, Qt::RightButton, {1, 1});
    EXPECT_EQ(window->view().zoom, 2.0f);
    EXPECT_EQ(abouts, 1);
}

TEST_F(QtImageWindowTest, KeysReachTheKeyCommands) {
    QTest::keyClick(window.get(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(currentExposure, 2.0f);
    QTest::keyClick(window.get(), Qt::Key_Minus);
    EXPECT_EQ(currentExposure, 1.0f);
    QTest::keyClick(window.get(), Qt::Key_Equal);
    EXPECT_EQ(currentExposure, 2.0f);

    // Mirrored, in the picture and on the screen.
    QRgb leftBefore = bitmapPixel(0, 5);
    QTest::keyClick(window.get(), Qt::Key_H);
    EXPECT_EQ(shown().pixel(kWidth - 1, 5), leftBefore);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(QtImageWindowTest, EscapeEndsTheRunAsCancel) {
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

TEST_F(QtImageWindowTest, ReturnAndEnterEndTheRunAsOk) {
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    window->start();
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window.get(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(QtImageWindowTest, TheCloseBoxEndsTheRunAndReleasesTheMouse) {
    press(Qt::LeftButton, Qt::LeftButton, {10, 10});
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // Without a native window the title is left alone.
    move(Qt::NoButton, {3, 3});
    EXPECT_EQ(title().find("像素 (   3,   3)"), std::string::npos);
}

}  // namespace
}  // namespace pellumir
