#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
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
#include "support/temp_dir.h"

namespace pellumir {
namespace {

template <typename Control>
Control* control(QWidget& dialog, const char* name) {
    return dialog.findChild<Control*>(QString::fromLatin1(name));
}

QString labelText(QWidget& dialog, const char* name) {
    QLabel* label = control<QLabel>(dialog, name);
    return label ? label->text() : QStringLiteral("<missing>");
}

QRect geometryOf(QWidget& dialog, const char* name) {
    QWidget* widget = control<QWidget>(dialog, name);
    return widget ? widget->geometry() : QRect();
}

// Pixels from dialog units: 1.5 across and 1.625 down, each edge rounded.
TEST(AboutDialog, CarriesItsTextsWhereTheTemplatePutsThem) {
    AboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于 Pellumir"));
    EXPECT_EQ(dialog.size(), QSize(630, 262));

    EXPECT_EQ(labelText(dialog, "name"), QStringLiteral("高动态范围图像浏览器"));
    EXPECT_EQ(geometryOf(dialog, "name"), QRect(0, 7, 306, 13));
    EXPECT_TRUE(
        labelText(dialog, "version").startsWith(QStringLiteral("版本 1.2 - April 2000 \n")));
    EXPECT_EQ(labelText(dialog, "version").count('\n'), 1);
    EXPECT_EQ(geometryOf(dialog, "version"), QRect(5, 24, 306, 28));
    EXPECT_FALSE(labelText(dialog, "author").isEmpty());
    EXPECT_EQ(geometryOf(dialog, "author"), QRect(12, 52, 297, 13));
    EXPECT_FALSE(labelText(dialog, "rights").isEmpty());
    EXPECT_EQ(geometryOf(dialog, "rights"), QRect(12, 65, 294, 13));

    QGroupBox* usage = control<QGroupBox>(dialog, "usage");
    ASSERT_NE(usage, nullptr);
    EXPECT_EQ(usage->title(), QStringLiteral("用法"));
    EXPECT_EQ(usage->geometry(), QRect(318, 7, 306, 195));
    EXPECT_EQ(labelText(dialog, "mouseUsage"),
              QStringLiteral("按住中间或鼠标左键平移\n中间键+左键放大\n中间键+右侧的按钮可以缩小\n"
                             "鼠标右键弹出菜单\n按住Shift +左键单击点自动曝光"));
    EXPECT_EQ(geometryOf(dialog, "mouseUsage"), QRect(324, 26, 288, 72));
    EXPECT_EQ(labelText(dialog, "keyUsage"),
              QStringLiteral("点击+（加）键，以增加曝光\n- （减号）键，以减少曝光\nH水平翻转图像\n"
                             "V垂直翻转图像\nR影像旋转90度\nS保存HDR格式的图像"));
    EXPECT_EQ(geometryOf(dialog, "keyUsage"), QRect(324, 111, 288, 78));
}

TEST(AboutDialog, TheOkButtonShowsThePictureAndEndsTheBox) {
    AboutDialog dialog;
    QPushButton* ok = control<QPushButton>(dialog, "ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->property("controlId").toInt(), 1);
    EXPECT_EQ(ok->geometry(), QRect(6, 85, 306, 169));
    EXPECT_FALSE(ok->icon().isNull());
    EXPECT_EQ(ok->iconSize(), QSize(300, 162));

    QPushButton* help = control<QPushButton>(dialog, "help");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->property("controlId").toInt(), 1008);
    EXPECT_EQ(help->geometry(), QRect(377, 216, 192, 33));
    EXPECT_FALSE(help->text().isEmpty());

    dialog.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
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

TEST(AboutDialog, TheSecondLineNamesWhatHelpOpens) {
    AboutDialog dialog;
    QString second = labelText(dialog, "version").section('\n', 1);
    std::string file = helpFile();
    EXPECT_NE(file.find("README.md"), std::string::npos) << file;
    // A long path loses its middle, never its end.
    EXPECT_TRUE(second == QString::fromStdString(file) ||
                (second.contains(QChar(0x2026)) && second.endsWith(QStringLiteral("README.md"))))
        << second.toStdString();
    EXPECT_LE(QFontMetrics(control<QLabel>(dialog, "version")->font()).horizontalAdvance(second),
              geometryOf(dialog, "version").width());
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
    QTest::mouseClick(control<QPushButton>(dialog, "help"), Qt::LeftButton);
    setenv("PATH", saved.c_str(), 1);
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

TEST(RawFloatDialog, StartsEmptyWithRgbAndLittleEndian) {
    RawFloatDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("输入宽度和高度"));
    EXPECT_EQ(dialog.size(), QSize(270, 145));
    EXPECT_EQ(control<QPushButton>(dialog, "ok")->text(), QStringLiteral("确定"));
    EXPECT_EQ(geometryOf(dialog, "ok"), QRect(188, 7, 75, 22));
    EXPECT_EQ(control<QPushButton>(dialog, "cancel")->text(), QStringLiteral("取消"));
    EXPECT_EQ(geometryOf(dialog, "cancel"), QRect(188, 36, 75, 23));
    EXPECT_EQ(labelText(dialog, "widthLabel"), QStringLiteral("宽度"));
    EXPECT_EQ(geometryOf(dialog, "widthLabel"), QRect(12, 10, 72, 19));
    EXPECT_EQ(labelText(dialog, "heightLabel"), QStringLiteral("高度"));
    EXPECT_EQ(geometryOf(dialog, "width"), QRect(90, 10, 84, 26));
    EXPECT_EQ(geometryOf(dialog, "height"), QRect(90, 49, 84, 26));
    EXPECT_EQ(control<QRadioButton>(dialog, "rgb")->text(), QStringLiteral("RGB"));
    EXPECT_EQ(geometryOf(dialog, "rgb"), QRect(12, 85, 114, 19));
    EXPECT_EQ(control<QRadioButton>(dialog, "grey")->text(), QStringLiteral("单色"));
    EXPECT_EQ(geometryOf(dialog, "grey"), QRect(12, 111, 114, 19));
    EXPECT_EQ(control<QCheckBox>(dialog, "swapBytes")->text(), QStringLiteral("反向字节顺序"));
    EXPECT_EQ(geometryOf(dialog, "swapBytes"), QRect(138, 91, 126, 26));

    EXPECT_TRUE(control<QLineEdit>(dialog, "width")->text().isEmpty());
    EXPECT_TRUE(control<QLineEdit>(dialog, "height")->text().isEmpty());
    EXPECT_TRUE(control<QRadioButton>(dialog, "rgb")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(dialog, "grey")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(dialog, "swapBytes")->isChecked());
}

TEST(RawFloatDialog, OkTakesTheTypedNumbersAndTheChecks) {
    RawFloatDialog dialog;
    dialog.show();
    QTest::keyClicks(control<QLineEdit>(dialog, "width"), QStringLiteral("640.9"));
    QTest::keyClicks(control<QLineEdit>(dialog, "height"), QStringLiteral("480"));
    // On the indicator: the middle of the control may lie past its text.
    QTest::mouseClick(control<QRadioButton>(dialog, "grey"), Qt::LeftButton, {}, QPoint(6, 9));
    QTest::mouseClick(control<QCheckBox>(dialog, "swapBytes"), Qt::LeftButton, {}, QPoint(6, 13));
    // The radio buttons exclude each other.
    EXPECT_FALSE(control<QRadioButton>(dialog, "rgb")->isChecked());
    QTest::mouseClick(control<QPushButton>(dialog, "ok"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.layout().width, 640);
    EXPECT_EQ(dialog.layout().height, 480);
    EXPECT_FALSE(dialog.layout().colour);
    EXPECT_TRUE(dialog.layout().swapBytes);
}

TEST(RawFloatDialog, ReturnInABoxIsOkAndCancelEndsWithoutOne) {
    RawFloatDialog dialog;
    dialog.show();
    QLineEdit* width = control<QLineEdit>(dialog, "width");
    QTest::keyClicks(width, QStringLiteral("12abc"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.layout().width, 12);
    EXPECT_EQ(dialog.layout().height, 0);
    EXPECT_TRUE(dialog.layout().colour);

    RawFloatDialog cancelled;
    cancelled.show();
    QTest::mouseClick(control<QPushButton>(cancelled, "cancel"), Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_FALSE(cancelled.isVisible());
}

}  // namespace
}  // namespace pellumir
