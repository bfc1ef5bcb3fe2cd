#include "platform/qt/progress_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "display/picture_commands.h"
#include "platform/qt/qt_desktop.h"

namespace pellumir {
namespace {

TEST(ProgressWindow, AppearsOnlyOnceTheReadHasTakenAThirdOfASecond) {
    ProgressWindow window("room.hdr");
    EXPECT_TRUE(window.progressed(0, 1000));
    EXPECT_TRUE(window.progressed(100, 1000));
    EXPECT_FALSE(window.isVisible());

    window.pretendElapsed(ProgressWindow::kProgressDelayMs);
    EXPECT_TRUE(window.progressed(250, 1000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("room.hdr"));
    auto* name = window.findChild<QLabel*>("name");
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->text().contains(QStringLiteral("room.hdr")));
    auto* bar = window.findChild<QProgressBar*>("bar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value() * 4, bar->maximum());

    // An unknown size makes a busy bar; more than the size is all of it.
    EXPECT_TRUE(window.progressed(5, 0));
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_TRUE(window.progressed(2000, 1000));
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ProgressWindow, ClosingItAsksForTheReadToStop) {
    ProgressWindow closed("room.hdr");
    closed.pretendElapsed(ProgressWindow::kProgressDelayMs);
    ASSERT_TRUE(closed.progressed(1, 10));
    EXPECT_TRUE(closed.close());
    EXPECT_FALSE(closed.progressed(2, 10));
    EXPECT_TRUE(closed.stopped());

    ProgressWindow escaped("room.hdr");
    escaped.pretendElapsed(ProgressWindow::kProgressDelayMs);
    ASSERT_TRUE(escaped.progressed(1, 10));
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.progressed(2, 10));
}

TEST(QtDesktopProgress, AStoppedReadOpensNoPictureWindow) {
    QtDesktop desktop({});
    EXPECT_TRUE(desktop.readProgress("room.hdr", 0, 10));
    ASSERT_NE(desktop.progressWindow(), nullptr);
    desktop.progressWindow()->pretendElapsed(ProgressWindow::kProgressDelayMs);
    EXPECT_TRUE(desktop.readProgress("room.hdr", 5, 10));
    desktop.progressWindow()->close();
    EXPECT_FALSE(desktop.readProgress("room.hdr", 6, 10));

    // Were the window opened, its modal run would not return here.
    DisplayBitmap bitmap;
    desktop.runImageWindow(bitmap, pictureCommandHooks());
    EXPECT_EQ(desktop.progressWindow(), nullptr);
}

}  // namespace
}  // namespace pellumir
