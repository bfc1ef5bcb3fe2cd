#include "platform/qt/message_box.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>

#include "platform/qt/window_title.h"
#include "platform/window_placement.h"

namespace pellumir {

int captionClientWidth(const QString& caption, const QFont& font) {
    // Window managers draw captions in a bold face of about the
    // application's size: measured so, the estimate errs on the wide side.
    QFont bold(font);
    bold.setBold(true);
    int width = clientWidthForCaption(QFontMetrics(bold).horizontalAdvance(caption), {});
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::min(width, screen->availableGeometry().width() - 2 * kAssumedTitleBarHeight);
    }
    return width;
}

void widenForCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    // Qt sizes a message box to its texts; a row holding only this spacer
    // makes it at least as wide as the title bar needs.
    int width = captionClientWidth(box.windowTitle(), box.font());
    int margins = grid->contentsMargins().left() + grid->contentsMargins().right();
    grid->addItem(
        new QSpacerItem(std::max(width - margins, 0), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
}

void showMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    const std::string& detail) {
    QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok,
                    owner);
    box.setTextFormat(Qt::PlainText);
    // Plain text too: a file's own words must not be taken for markup. The
    // informative text has no format of its own, so it is made rich text
    // that shows the words as they are (and still wraps at the spaces).
    if (!detail.empty()) {
        box.setInformativeText("<p>" + QString::fromStdString(detail).toHtmlEscaped() + "</p>");
    }
    box.setWindowTitle(windowTitleText(caption));
    widenForCaption(box);
    box.exec();
}

}  // namespace pellumir
