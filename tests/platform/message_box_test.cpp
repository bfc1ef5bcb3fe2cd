// The message box under Qt's offscreen platform: the text and the caption as
// given, and the cause of a failure as the box's informative text.

#include "platform/qt/message_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace pellumir {
namespace {

struct Shown {
    QString text;
    QString informative;
    QString title;
};

// Shows the box, reads what it shows once it is up, and closes it.
Shown show(const std::string& text, const std::string& caption, const std::string& detail) {
    Shown shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = {box->text(), box->informativeText(), box->windowTitle()};
        box->accept();
    });
    showMessageBox(nullptr, text, caption, detail);
    return shown;
}

TEST(MessageBox, ShowsTheCauseAsItsInformativeText) {
    Shown shown = show("读取文件时出错", "Pellumir", "the file ends in scanline 17 <of 40>");
    EXPECT_EQ(shown.text, QStringLiteral("读取文件时出错"));
    EXPECT_EQ(shown.title, QStringLiteral("Pellumir"));
    // Taken as plain text: the angle brackets are shown, not read as markup.
    EXPECT_TRUE(shown.informative.contains(QStringLiteral("the file ends in scanline 17")))
        << shown.informative.toStdString();
    EXPECT_TRUE(shown.informative.contains(QStringLiteral("&lt;of 40&gt;")));

    Shown plain = show("无法打开文件", "/tmp/a.hdr", "");
    EXPECT_EQ(plain.text, QStringLiteral("无法打开文件"));
    EXPECT_TRUE(plain.informative.isEmpty());
}

}  // namespace
}  // namespace pellumir
