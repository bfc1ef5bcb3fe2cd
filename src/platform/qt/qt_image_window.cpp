#include "platform/qt/qt_image_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/qt/file_dialog.h"
#include "platform/qt/first_paint_report.h"
#include "platform/qt/key_codes.h"
#include "platform/qt/message_box.h"
#include "platform/qt/mouse_input.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/program_resources.h"
#include "platform/qt/window_title.h"
#include "platform/window_placement.h"
#include "viewer/framebuffer_canvas.h"

namespace pellumir {

// What the ImageWindow asks of its window, carried out on the dialog.
class QtImageWindow::Host final : public WindowHost {
  public:
    explicit Host(QtImageWindow& window) : window_(window) {}

    bool isLive() const override { return window_.live_; }
    Rect clientRect() const override {
        QSize size = window_.deviceClientSize();
        return {0, 0, size.width(), size.height()};
    }
    void setCaption(const std::string& caption) override {
        window_.setWindowTitle(windowTitleText(caption));
    }
    void invalidate() override { window_.update(); }
    void updateNow() override { window_.repaint(); }
    void captureMouse() override { window_.grabMouse(); }
    void releaseMouse() override { window_.QWidget::releaseMouse(); }
    // "Screen" points are Qt's global logical coordinates, which is what the
    // popup menu takes back.
    Point clientToScreen(Point client) const override {
        double ratio = window_.devicePixelRatio();
        QPoint global = window_.mapToGlobal(QPointF(client.x / ratio, client.y / ratio)).toPoint();
        return {global.x(), global.y()};
    }
    int popupMenu(const std::vector<MenuItem>& items, Point screen) override {
        QPoint global(screen.x, screen.y);
        if (window_.menuRunner_) return window_.menuRunner_(items, global);
        return runPopupMenu(&window_, items, global);
    }
    std::optional<std::string> saveFileDialog(const FileDialogOptions& options) override {
        return runFileDialog(&window_, FileDialogMode::save, options);
    }
    void messageBox(const std::string& text, const std::string& caption,
                    const std::string& detail = {}) override {
        showMessageBox(&window_, text, caption, detail);
    }
    void showAbout() override {
        if (window_.showAbout_) window_.showAbout_(&window_);
    }

  private:
    QtImageWindow& window_;
};

QtImageWindow::QtImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks,
                             AboutBoxRunner showAbout)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      host_(std::make_unique<Host>(*this)),
      view_(bitmap, *host_),
      showAbout_(std::move(showAbout)) {
    view_.hooks = hooks;
    frameWatch_.setInterval(20);
    connect(&frameWatch_, &QTimer::timeout, this, [this] { checkFrame(); });
    setWindowIcon(programIcon());
    // Every paint covers every client pixel itself: nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Moves arrive without a button held too: the title follows the cursor.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The right button is the window's own: no context-menu event.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QtImageWindow::~QtImageWindow() = default;

QSize QtImageWindow::deviceClientSize() const {
    double ratio = devicePixelRatio();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

int QtImageWindow::run() {
    prepare();
    return exec();
}

void QtImageWindow::start() {
    prepare();
    show();
}

void QtImageWindow::prepare() {
    live_ = true;
    wanted_ = view_.initialise();
    place(frameMargins());
    // Under a window manager the frame is known only once the window has
    // been shown and framed: the whole window is centred again then, and
    // a picture larger than the screen shrinks to leave the frame on it.
    frameChecks_ = 0;
    frameWatch_.start();
}

FrameMargins QtImageWindow::frameMargins() const {
    QRect outer = frameGeometry();
    QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void QtImageWindow::checkFrame() {
    constexpr int kChecks = 150;  // every 20 ms, three seconds in all
    if (!isVisible()) return;
    FrameMargins frame = frameMargins();
    if (frame.known() && frame != placedFrame_) {
        place(frame);
        frameWatch_.stop();
    } else if (++frameChecks_ >= kChecks) {
        frameWatch_.stop();
    }
}

void QtImageWindow::place(FrameMargins frame) {
    placedFrame_ = frame;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    double ratio = screen ? screen->devicePixelRatio() : 1.0;
    QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);

    WindowSize size = fittedClientSize(std::llround(std::ceil(wanted_.width / ratio)),
                                       std::llround(std::ceil(wanted_.height / ratio)),
                                       {available.width(), available.height()}, frame);
    setMinimumWidth(std::min(minimumClientWidth(frame), size.width));
    resize(size.width, size.height);
    // A window's position is that of its frame.
    Point position = centredWindowPosition(
        {size.width + frame.left + frame.right, size.height + frame.top + frame.bottom},
        {available.left(), available.top(), available.right() + 1, available.bottom() + 1});
    move(position.x, position.y);
}

void QtImageWindow::done(int result) {
    frameWatch_.stop();
    QWidget::releaseMouse();
    live_ = false;
    QDialog::done(result);
}

void QtImageWindow::paintEvent(QPaintEvent*) {
    QSize size = deviceClientSize();
    if (frame_.size() != size) frame_ = QImage(size, QImage::Format_RGB32);
    if (!frame_.isNull()) {
        Framebuffer target{reinterpret_cast<uint32_t*>(frame_.bits()), frame_.width(),
                           frame_.height(), frame_.bytesPerLine() / 4};
        FramebufferCanvas canvas(target);
        view_.paint(canvas);
        // Drawn one to one in device pixels, never scaled by Qt.
        frame_.setDevicePixelRatio(devicePixelRatio());
        QPainter painter(this);
        painter.drawImage(QPointF(0, 0), frame_);
    }
    if (!painted_) afterFirstPaint();
}

void QtImageWindow::afterFirstPaint() {
    painted_ = true;
    if (!firstPaintReportWanted()) return;
    std::fprintf(stderr, "pellumir: first paint after %.0f ms\n", millisecondsSinceProcessStart());
    // Closed once this paint is done, as Escape would.
    QTimer::singleShot(0, this, [this] { reject(); });
}

Point QtImageWindow::eventPoint(const QMouseEvent* event) const {
    // Qt rounds a widget event's position to whole logical pixels, which
    // at a device pixel ratio of 1.5 or 2 names the wrong device pixel half
    // the time; the window's own position keeps the fraction, and this
    // widget is the window.
    return devicePoint(event->scenePosition(), devicePixelRatio());
}

void QtImageWindow::mousePressEvent(QMouseEvent* event) {
    uint32_t flags = mouseKeyState(event->buttons(), event->modifiers());
    Point point = eventPoint(event);
    MessageResult result = MessageResult::defaultProcessing;
    switch (event->button()) {
        case Qt::LeftButton:
            result = view_.leftButtonDown(flags, point);
            break;
        case Qt::RightButton:
            result = view_.rightButtonDown(flags, point);
            break;
        case Qt::MiddleButton:
            result = view_.middleButtonDown(flags, point);
            break;
        default:
            break;
    }
    if (result == MessageResult::defaultProcessing) QDialog::mousePressEvent(event);
}

void QtImageWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    uint32_t flags = mouseKeyState(event->buttons(), event->modifiers());
    Point point = eventPoint(event);
    MessageResult result = MessageResult::defaultProcessing;
    switch (event->button()) {
        case Qt::LeftButton:
            result = view_.leftButtonDoubleClick(flags, point);
            break;
        case Qt::RightButton:
            result = view_.rightButtonDoubleClick(flags, point);
            break;
        case Qt::MiddleButton:
            result = view_.middleButtonDoubleClick(flags, point);
            break;
        default:
            break;
    }
    // QWidget's own double-click handling would hand the event back to
    // mousePressEvent above, a second time through the window; what the
    // base does with a press is the default here.
    if (result == MessageResult::defaultProcessing) QDialog::mousePressEvent(event);
}

void QtImageWindow::mouseReleaseEvent(QMouseEvent* event) {
    uint32_t flags = mouseKeyState(event->buttons(), event->modifiers());
    Point point = eventPoint(event);
    MessageResult result = MessageResult::defaultProcessing;
    switch (event->button()) {
        case Qt::LeftButton:
            result = view_.leftButtonUp(flags, point);
            break;
        case Qt::MiddleButton:
            result = view_.middleButtonUp(flags, point);
            break;
        default:
            break;
    }
    if (result == MessageResult::defaultProcessing) QDialog::mouseReleaseEvent(event);
}

void QtImageWindow::mouseMoveEvent(QMouseEvent* event) {
    uint32_t flags = mouseKeyState(event->buttons(), event->modifiers());
    Point point = eventPoint(event);
    if (view_.mouseMove(flags, point) == MessageResult::defaultProcessing) {
        QDialog::mouseMoveEvent(event);
    }
}

void QtImageWindow::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape end the window as OK and Cancel end a dialog; they
    // never reach the window's key handling.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            accept();
            return;
        case Qt::Key_Escape:
            reject();
            return;
        default:
            break;
    }
    uint32_t key = virtualKeyFromQt(event->key(), event->modifiers());
    if (key == 0 || view_.keyDown(key) == MessageResult::defaultProcessing) {
        QDialog::keyPressEvent(event);
    }
}

}  // namespace pellumir
