#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "display/display_bitmap.h"
#include "display/viewer_hooks.h"
#include "display/window_host.h"
#include "platform/window_placement.h"
#include "viewer/image_window.h"

namespace pellumir {

// Shows the About box over the window that asks for it.
using AboutBoxRunner = std::function<void(QWidget* owner)>;

// Shows a popup menu at a global point and returns the chosen command, or 0.
using PopupMenuRunner = std::function<int(const std::vector<MenuItem>& items, QPoint global)>;

// The picture window on the Qt desktop: a thin translator between Qt's
// events and the ImageWindow's messages, and the window host that carries
// out what the ImageWindow asks. Mouse points and the client rectangle are
// in device pixels, so that zoom 1 shows one picture pixel per screen
// pixel on every screen.
class QtImageWindow final : public QDialog {
  public:
    QtImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks, AboutBoxRunner showAbout);
    ~QtImageWindow() override;

    // The modal run: opens the window sized to the picture and centred,
    // and returns when Enter, Escape or the close box has ended it.
    int run();
    // Everything the modal run does before it waits, without waiting: for
    // tests, which drive the window from outside.
    void start();

    ImageWindow& view() { return view_; }
    // Replaces the real popup menu, for tests that choose an item by script.
    void setPopupMenuRunner(PopupMenuRunner runner) { menuRunner_ = std::move(runner); }
    // The client area's size in device pixels.
    QSize deviceClientSize() const;
    // The frame margins the window was last placed with; 0 until the
    // desktop has framed it (never, without a window manager).
    FrameMargins placedFrame() const { return placedFrame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  public:
    // Every way the window ends comes here.
    void done(int result) override;

  private:
    class Host;

    void prepare();
    void place(FrameMargins frame);
    FrameMargins frameMargins() const;
    void checkFrame();
    Point eventPoint(const QMouseEvent* event) const;
    void afterFirstPaint();

    std::unique_ptr<Host> host_;
    ImageWindow view_;
    AboutBoxRunner showAbout_;
    PopupMenuRunner menuRunner_;
    QImage frame_;
    ClientSize wanted_;
    FrameMargins placedFrame_;
    // Polls for the frame after the window has been shown, for a while.
    QTimer frameWatch_;
    int frameChecks_ = 0;
    bool live_ = false;
    bool painted_ = false;
};

}  // namespace pellumir
