// What Qt's own windows say and how wide they are: its texts in Chinese,
// message boxes wide enough for their captions.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include "platform/qt/file_dialog.h"
#include "platform/qt/message_box.h"
#include "platform/qt/qt_translation.h"
#include "platform/window_placement.h"

namespace pellumir {
namespace {

TEST(QtTranslation, QtsOwnButtonsSpeakChineseWhateverTheLocale) {
    QLocale::setDefault(QLocale::c());
    QTranslator* translator = installQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "qtbase_zh_CN.qm is missing: install qt6-translations-l10n";
    EXPECT_TRUE(translator->filePath().endsWith(QStringLiteral("qtbase_zh_CN.qm")));
    EXPECT_EQ(QLocale().name(), QStringLiteral("zh_CN"));

    QFileDialog open;
    configureFileDialog(open, FileDialogMode::open, {});
    EXPECT_EQ(open.windowTitle(), QStringLiteral("打开"));
    auto* buttons = open.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    // A missing button fails here without ending the test, so that the
    // translator is still taken away for the tests after this one.
    auto textOf = [](QAbstractButton* button) {
        return button ? button->text() : QStringLiteral("<no button>");
    };
    EXPECT_EQ(textOf(buttons->button(QDialogButtonBox::Open)), QStringLiteral("打开(&O)"));
    EXPECT_EQ(textOf(buttons->button(QDialogButtonBox::Cancel)), QStringLiteral("取消"));

    QMessageBox box(QMessageBox::NoIcon, QString(), QStringLiteral("x"), QMessageBox::Ok);
    EXPECT_EQ(textOf(box.button(QMessageBox::Ok)), QStringLiteral("确定"));

    QCoreApplication::removeTranslator(translator);
    delete translator;
    QLocale::setDefault(QLocale::system());
}

// The box as showMessageBox lays it out, measured once shown.
QSize shownBoxSize(const std::string& text, const std::string& caption) {
    QSize size;
    QTimer::singleShot(0, [&size] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                size = box->size();
                box->accept();
            }
        }
    });
    showMessageBox(nullptr, text, caption);
    return size;
}

TEST(MessageBox, IsWideEnoughForItsWholeCaption) {
    const QFont font = QApplication::font();
    for (const char* caption :
         {"Pellumir", "无法打开文件", "/home/user/pictures/2026/holiday/room.hdr"}) {
        QString title = QString::fromUtf8(caption);
        QSize size = shownBoxSize("读取文件时出错", caption);
        QFont bold(font);
        bold.setBold(true);
        int text = QFontMetrics(bold).horizontalAdvance(title);
        EXPECT_GE(size.width(), captionClientWidth(title, font)) << caption;
        // The caption, the icon and three buttons beside it.
        EXPECT_GE(size.width(), text + 4 * kAssumedTitleBarHeight) << caption;
    }
    // A caption longer than the screen is wide makes a box as wide as the
    // screen allows, not wider.
    QSize huge = shownBoxSize("x", std::string(2000, 'W'));
    EXPECT_LE(huge.width(), QApplication::primaryScreen()->availableGeometry().width());
    EXPECT_GT(huge.width(), QApplication::primaryScreen()->availableGeometry().width() / 2);
}

}  // namespace
}  // namespace pellumir
