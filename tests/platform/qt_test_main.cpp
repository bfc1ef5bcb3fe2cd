// The Qt tests share one QApplication on Qt's offscreen platform: windows
// are real widgets with real events, drawn into memory.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Leaks the leak checker should not count against the tests: fontconfig
// and the X-less platform plugin keep caches for the life of the process.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libQt6Gui.so\nleak:libqoffscreen.so\n";
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
