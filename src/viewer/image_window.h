#pragma once

#include <cstdint>

#include "display/display_bitmap.h"
#include "display/input_codes.h"
#include "display/viewer_hooks.h"
#include "display/window_host.h"
#include "viewer/canvas.h"

namespace pellumir {

// What the caller does with a message after the window's method returns:
// nothing more, or hand it on to the base window's own handling.
enum class MessageResult { handled, defaultProcessing };

// The client size the window asks for when it opens.
struct ClientSize {
    uint32_t width = 0;
    uint32_t height = 0;
    friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

// The picture window: its view state and what each of its messages does.
// The desktop's window owns one, turns its own events into these calls and
// carries out what the window asks of the host. Where a method returns
// MessageResult::defaultProcessing, the caller then hands the message to
// its base window's handling.
//
// Messages that need nothing from here: a change of the client size only
// repaints (origin and zoom stay); the right button's release goes to the
// base window's handling; typed characters are dropped. Enter and Escape
// close the window before they could reach keyDown.
class ImageWindow final : public HookWindow {
  public:
    ImageWindow(DisplayBitmap& shownPicture, WindowHost& windowHost);

    // The bitmap shown; start-up owns it.
    DisplayBitmap& picture;
    // Display pixels per picture pixel, a power of two from 1/256 to 1024.
    float zoom = 1.0f;
    // Client coordinates of the picture's top-left corner as drawn.
    Point origin;
    // The origin and the cursor when the current pan began, or as the last
    // zoom left them: a pan measures from these.
    Point panOrigin;
    Point panAnchor;
    // The client point zoomIn and zoomOut work about.
    Point zoomPoint;
    ViewerHooks hooks;
    // Where the cursor was at the last mouse move.
    Point lastCursor;

    WindowHost& host() override { return host_; }

    // Once, when the native window exists: the caption becomes the display
    // name. Returns the client size to give the window, the picture's own;
    // the desktop sizes the window to it and centres it.
    ClientSize initialise();

    // Paints every client pixel: the visible part of the picture and the
    // background around it.
    void paint(Canvas& canvas);

    // Double and halve the zoom about zoomPoint; at the limits they change
    // nothing at all.
    void zoomIn();
    void zoomOut();

    // The caption from the view state and the two text hooks; nothing while
    // the native window does not exist.
    void refreshTitle() override;

    // Mouse messages take the key state (kMouse* flags) and the cursor in
    // client coordinates. A double click is a message of its own.
    MessageResult mouseMove(uint32_t flags, Point point);
    MessageResult leftButtonDown(uint32_t flags, Point point);
    MessageResult leftButtonDoubleClick(uint32_t flags, Point point);
    MessageResult leftButtonUp(uint32_t flags, Point point);
    MessageResult rightButtonDown(uint32_t flags, Point point);
    MessageResult rightButtonDoubleClick(uint32_t flags, Point point);
    MessageResult middleButtonDown(uint32_t flags, Point point);
    MessageResult middleButtonDoubleClick(uint32_t flags, Point point);
    MessageResult middleButtonUp(uint32_t flags, Point point);
    // A key press by virtual-key code; each auto-repeat is a press of its own.
    MessageResult keyDown(uint32_t key);
    // The window's commands (kCommand*); any other goes to the base window.
    MessageResult command(int id);

    void saveAsBitmap();

  private:
    // The view after a zoom about zoomPoint, redrawn and retitled.
    void zoomTo(Point newOrigin, float newZoom);
    void exposureKey(uint32_t key);

    WindowHost& host_;
};

}  // namespace pellumir
