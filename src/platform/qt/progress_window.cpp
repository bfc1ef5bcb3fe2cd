#include "platform/qt/progress_window.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/qt/program_resources.h"
#include "platform/qt/window_title.h"
#include "platform/window_placement.h"

namespace pellumir {

namespace {

// The bar counts in thousandths, whatever the unit of the read.
constexpr int kBarSteps = 1000;
constexpr int kWidth = 360;

}  // namespace

ProgressWindow::ProgressWindow(const std::string& displayName)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(windowTitleText(displayName));
    setWindowIcon(programIcon());
    auto* layout = new QVBoxLayout(this);
    name_ = new QLabel(QStringLiteral("正在读取 ") + QString::fromStdString(displayName), this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("bar"));
    bar_->setRange(0, kBarSteps);
    bar_->setValue(0);
    layout->addWidget(name_);
    layout->addWidget(bar_);
    setFixedWidth(kWidth);
    clock_.start();
}

bool ProgressWindow::progressed(uint64_t done, uint64_t total) {
    if (stopped_) return false;
    if (total == 0) {
        bar_->setRange(0, 0);  // a busy bar: how far is not known
    } else {
        bar_->setRange(0, kBarSteps);
        double fraction = done >= total ? 1.0 : double(done) / double(total);
        bar_->setValue(int(fraction * kBarSteps));
    }
    if (!isVisible() && clock_.elapsed() + offsetMs_ >= kProgressDelayMs) {
        adjustSize();
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            Point at = centredWindowPosition(
                {width(), height()},
                {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
            move(at.x, at.y);
        }
        show();
    }
    if (isVisible()) QApplication::processEvents();
    return !stopped_;
}

void ProgressWindow::done(int result) {
    stopped_ = true;
    QDialog::done(result);
}

}  // namespace pellumir
