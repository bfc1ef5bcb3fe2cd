#include "app/qt/readme_window.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

#include "app/picture_files.h"
#include "platform/qt/program_resources.h"
#include "platform/window_placement.h"

namespace pellumir {

namespace {

// About eighty columns of text and forty lines.
constexpr int kWidth = 760;
constexpr int kHeight = 680;

}  // namespace

QWidget* showReadmeWindow(const std::string& path) {
    auto* window = new QTextBrowser();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("readme"));
    window->setWindowTitle(QStringLiteral("Pellumir 帮助"));
    window->setWindowIcon(programIcon());
    window->setWindowModality(Qt::ApplicationModal);
    window->setOpenExternalLinks(true);
    QString file = QString::fromStdString(path);
    if (QFileInfo(file).isFile()) {
        // As a source, so that the pictures it shows are found beside it.
        window->setSource(QUrl::fromLocalFile(file), QTextDocument::MarkdownResource);
    } else {
        window->setPlainText(QString::fromUtf8(kCannotOpenMessage) + "\n" + file);
    }

    QSize size(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        size = size.boundedTo(area.size() - QSize(2, 2) * kAssumedTitleBarHeight);
        window->resize(size);
        Point at =
            centredWindowPosition({size.width(), size.height()},
                                  {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
        window->move(at.x, at.y);
    } else {
        window->resize(size);
    }
    window->show();
    return window;
}

}  // namespace pellumir
