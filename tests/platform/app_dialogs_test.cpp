#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/qt/about_dialog.h"
#include "app/qt/raw_float_dialog.h"
#include "app/qt/readme_window.h"
#include "platform/qt/dialog_units.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

// Null when the dialog has no control of that name and type; every caller
// checks before use, so that a renamed control fails its test alone.
template <typename Control>
Control* control(QWidget& dialog, const char* name) {
    return dialog.findChild<Control*>(QString::fromLatin1(name));
}

// 1.5 pixels across and 1.625 down per unit, each edge rounded on its own
// (half away from zero), so that neighbouring controls still meet.
TEST(DialogUnits, MapEachEdgeToTheNearestPixel) {
    EXPECT_EQ(dialogUnitsAcross(125), 188);  // 187.5
    EXPECT_EQ(dialogUnitsDown(89), 145);     // 144.625
    EXPECT_EQ(dialogUnitsAcross(-1), -2);    // -1.5
    // Width from the rounded edges 2 and 3, not 1.5 rounded to 2.
    EXPECT_EQ(dialogUnitRect(1, 1, 1, 1), QRect(2, 2, 1, 1));
    EXPECT_EQ(dialogUnitRect(125, 4, 50, 14), QRect(188, 7, 75, 22));
    QRect upper = dialogUnitRect(8, 6, 48, 12);
    QRect lower = dialogUnitRect(8, 18, 48, 12);
    EXPECT_EQ(upper.bottom() + 1, lower.top());
    EXPECT_EQ(dialogUnitSize(180, 89), QSize(270, 145));
}

TEST(AboutDialog, TheOkButtonShowsThePictureAndEndsTheBox) {
    AboutDialog dialog;
    QPushButton* ok = control<QPushButton>(dialog, "ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(ok->icon().isNull());
    dialog.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutDialog, TheVersionLineNamesTheBuildsVersionAndWhatHelpOpens) {
    AboutDialog dialog;
    QLabel* version = control<QLabel>(dialog, "version");
    ASSERT_NE(version, nullptr);
    QString first = version->text().section('\n', 0, 0);
    EXPECT_TRUE(first.contains(QStringLiteral(PELLUMIR_VERSION))) << first.toStdString();
    QString second = version->text().section('\n', 1);
    std::string file = helpFile();
    EXPECT_NE(file.find("README.md"), std::string::npos) << file;
    // A long path loses its middle, never its end.
    EXPECT_TRUE(second == QString::fromStdString(file) ||
                (second.contains(QChar(0x2026)) && second.endsWith(QStringLiteral("README.md"))))
        << second.toStdString();
    EXPECT_LE(QFontMetrics(version->font()).horizontalAdvance(second), version->width());
}

TEST(HelpAddress, IsTheFirstReadmeThatExistsAsAFileAddress) {
    test::TempDir folder;
    std::string installed = folder.file("installed.md");
    std::string source = folder.file("source.md");
    std::ofstream(source) << "help";
    EXPECT_EQ(firstExistingFile({installed, source}), source);
    std::ofstream(installed) << "help";
    EXPECT_EQ(firstExistingFile({installed, source}), installed);
    EXPECT_EQ(firstExistingFile({folder.file("none")}), folder.file("none"));
    EXPECT_EQ(firstExistingFile({}), "");
    // A folder of that name is no file.
    EXPECT_EQ(firstExistingFile({folder.path(), source}), source);

    std::string address = helpAddress();
    EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_NE(address.find("README.md"), std::string::npos) << address;
}

// The program's README window, if one is open.
QTextBrowser* readmeWindow() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QStringLiteral("readme") && top->isVisible()) {
            return qobject_cast<QTextBrowser*>(top);
        }
    }
    return nullptr;
}

// Clicks the About box's help button with PATH holding only the folder,
// and waits up to two seconds for a README window.
QTextBrowser* clickHelpWithPath(const std::string& path) {
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", path.c_str(), 1);
    AboutDialog dialog;
    dialog.show();
    QPushButton* help = control<QPushButton>(dialog, "help");
    if (help) QTest::mouseClick(help, Qt::LeftButton);
    setenv("PATH", saved.c_str(), 1);
    EXPECT_NE(help, nullptr) << "the About box has no help button";
    for (int i = 0; i < 40 && !readmeWindow(); ++i)
        QTest::qWait(50);
    return readmeWindow();
}

// The window deletes itself once closed.
void closeReadme(QWidget* window) {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(readmeWindow(), nullptr);
}

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST(HelpButton, WithoutAHandlerShowsTheReadmeInAWindowOfItsOwn) {
    test::TempDir noOpener;
    QTextBrowser* window = clickHelpWithPath(noOpener.path());
    ASSERT_NE(window, nullptr);
    // Rendered, not shown as Markdown source.
    QString text = window->toPlainText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Pellumir\n"))) << text.left(80).toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("## "))) << text.left(200).toStdString();
    EXPECT_TRUE(window->isModal());
    closeReadme(window);

    // xdg-open finding no handler says so by its status.
    test::TempDir failing;
    writeScript(failing.file("xdg-open"), "exit 3");
    window = clickHelpWithPath(failing.path());
    ASSERT_NE(window, nullptr);
    closeReadme(window);
}

TEST(HelpButton, AHandlerGetsTheReadmesAddress) {
    test::TempDir opener;
    std::string asked = opener.file("asked");
    writeScript(opener.file("xdg-open"), "echo \"$1\" > " + asked);
    EXPECT_EQ(clickHelpWithPath(opener.path()), nullptr);
    std::ifstream in(asked);
    std::string address;
    std::getline(in, address);
    EXPECT_EQ(address, helpAddress());
}

TEST(ReadmeWindow, SaysSoWhenTheFileIsMissing) {
    test::TempDir folder;
    QWidget* window = showReadmeWindow(folder.file("README.md"));
    auto* browser = qobject_cast<QTextBrowser*>(window);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().startsWith(QStringLiteral("无法打开文件")));
    closeReadme(window);
}

// The raw float dialog's controls, each found and checked.
struct RawFloatControls {
    QLineEdit* width = nullptr;
    QLineEdit* height = nullptr;
    QRadioButton* rgb = nullptr;
    QRadioButton* grey = nullptr;
    QCheckBox* swapBytes = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

void findControls(RawFloatDialog& dialog, RawFloatControls& found) {
    found.width = control<QLineEdit>(dialog, "width");
    ASSERT_NE(found.width, nullptr);
    found.height = control<QLineEdit>(dialog, "height");
    ASSERT_NE(found.height, nullptr);
    found.rgb = control<QRadioButton>(dialog, "rgb");
    ASSERT_NE(found.rgb, nullptr);
    found.grey = control<QRadioButton>(dialog, "grey");
    ASSERT_NE(found.grey, nullptr);
    found.swapBytes = control<QCheckBox>(dialog, "swapBytes");
    ASSERT_NE(found.swapBytes, nullptr);
    found.ok = control<QPushButton>(dialog, "ok");
    ASSERT_NE(found.ok, nullptr);
    found.cancel = control<QPushButton>(dialog, "cancel");
    ASSERT_NE(found.cancel, nullptr);
}

TEST(RawFloatDialog, StartsEmptyWithRgbAndLittleEndian) {
    RawFloatDialog dialog;
    RawFloatControls c;
    ASSERT_NO_FATAL_FAILURE(findControls(dialog, c));
    EXPECT_TRUE(c.width->text().isEmpty());
    EXPECT_TRUE(c.height->text().isEmpty());
    EXPECT_TRUE(c.rgb->isChecked());
    EXPECT_FALSE(c.grey->isChecked());
    EXPECT_FALSE(c.swapBytes->isChecked());
}

TEST(RawFloatDialog, OkTakesTheTypedNumbersAndTheChecks) {
    RawFloatDialog dialog;
    RawFloatControls c;
    ASSERT_NO_FATAL_FAILURE(findControls(dialog, c));
    dialog.show();
    QTest::keyClicks(c.width, QStringLiteral("640.9"));
    QTest::keyClicks(c.height, QStringLiteral("480"));
    // On the indicator: the middle of the control may lie past its text.
    QTest::mouseClick(c.grey, Qt::LeftButton, {}, QPoint(6, 9));
    QTest::mouseClick(c.swapBytes, Qt::LeftButton, {}, QPoint(6, 13));
    // The radio buttons exclude each other.
    EXPECT_FALSE(c.rgb->isChecked());
    QTest::mouseClick(c.ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.layout().width, 640);
    EXPECT_EQ(dialog.layout().height, 480);
    EXPECT_FALSE(dialog.layout().colour);
    EXPECT_TRUE(dialog.layout().swapBytes);
}

TEST(RawFloatDialog, ReturnInABoxIsOkAndCancelEndsWithoutOne) {
    RawFloatDialog dialog;
    RawFloatControls c;
    ASSERT_NO_FATAL_FAILURE(findControls(dialog, c));
    dialog.show();
    QTest::keyClicks(c.width, QStringLiteral("12abc"));
    QTest::keyClick(c.width, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.layout().width, 12);
    EXPECT_EQ(dialog.layout().height, 0);
    EXPECT_TRUE(dialog.layout().colour);

    RawFloatDialog cancelled;
    RawFloatControls other;
    ASSERT_NO_FATAL_FAILURE(findControls(cancelled, other));
    cancelled.show();
    QTest::keyClicks(other.width, QStringLiteral("640"));
    QTest::mouseClick(other.cancel, Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_FALSE(cancelled.isVisible());
}

}  // namespace
}  // namespace pellumir
