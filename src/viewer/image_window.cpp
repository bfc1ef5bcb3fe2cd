#include "viewer/image_window.h"

#include "display/window_texts.h"
#include "viewer/context_menu.h"
#include "viewer/paint_plan.h"
#include "viewer/save_as_bitmap.h"
#include "viewer/status_title.h"
#include "viewer/view_math.h"

namespace pellumir {

namespace {

bool has(uint32_t flags, uint32_t flag) {
    return (flags & flag) != 0;
}

}  // namespace

ImageWindow::ImageWindow(DisplayBitmap& shownPicture, WindowHost& windowHost)
    : picture(shownPicture), host_(windowHost) {}

ClientSize ImageWindow::initialise() {
    host_.setCaption(picture.name);
    return {picture.width, picture.height};
}

void ImageWindow::paint(Canvas& canvas) {
    PaintPlan plan = planPaint(picture.width, picture.height, zoom, origin, host_.clientRect());
    if (plan.drawsPicture && !picture.empty()) {
        canvas.stretchBlit(picture, plan.destination, plan.source);
    }
    for (int i = 0; i < plan.bandCount; ++i)
        canvas.fill(plan.bands[i], kBackgroundColour);
}

void ImageWindow::zoomIn() {
    if (zoom < kMaxZoom) zoomTo(originZoomedIn(origin, zoomPoint), zoom * 2.0f);
}

void ImageWindow::zoomOut() {
    if (zoom > kMinZoom) zoomTo(originZoomedOut(origin, zoomPoint), zoom * 0.5f);
}

void ImageWindow::zoomTo(Point newOrigin, float newZoom) {
    origin = newOrigin;
    zoom = newZoom;
    host_.invalidate();
    // A pan still under way (the middle button held) goes on from here.
    panOrigin = origin;
    panAnchor = zoomPoint;
    refreshTitle();
}

void ImageWindow::refreshTitle() {
    if (!host_.isLive()) return;
    int32_t column = pixelUnder(lastCursor.x, origin.x, zoom);
    int32_t row = pixelUnder(lastCursor.y, origin.y, zoom);
    // A hook that returns no text counts as absent.
    const char* colour = hooks.pixelText ? hooks.pixelText(column, row) : nullptr;
    const char* exposure = hooks.exposureText ? hooks.exposureText() : nullptr;
    host_.setCaption(statusTitle(picture.name, column, row, colour ? colour : kNoColourText, zoom,
                                 exposure ? exposure : ""));
}

MessageResult ImageWindow::mouseMove(uint32_t flags, Point point) {
    // Whether this move pans is decided by its own key state alone.
    MessageResult result = MessageResult::defaultProcessing;
    if (has(flags, kMouseMiddleButton) ||
        (has(flags, kMouseLeftButton) && !has(flags, kMouseShift))) {
        origin = originPanned(panOrigin, panAnchor, point);
        host_.invalidate();
        result = MessageResult::handled;
    }
    lastCursor = point;
    refreshTitle();
    return result;
}

MessageResult ImageWindow::leftButtonDown(uint32_t flags, Point point) {
    if (has(flags, kMouseMiddleButton)) {
        zoomPoint = point;
        zoomIn();
        return MessageResult::handled;
    }
    if (has(flags, kMouseShift)) {
        if (hooks.pickExposure) {
            hooks.pickExposure(*this, picture, pixelUnder(point.x, origin.x, zoom),
                               pixelUnder(point.y, origin.y, zoom));
        }
        return MessageResult::handled;
    }
    panOrigin = origin;
    panAnchor = point;
    host_.captureMouse();
    return MessageResult::defaultProcessing;
}

MessageResult ImageWindow::leftButtonDoubleClick(uint32_t flags, Point point) {
    return leftButtonDown(flags, point);
}

MessageResult ImageWindow::leftButtonUp(uint32_t, Point) {
    host_.releaseMouse();
    return MessageResult::defaultProcessing;
}

MessageResult ImageWindow::rightButtonDown(uint32_t flags, Point point) {
    zoomPoint = point;
    if (has(flags, kMouseMiddleButton)) {
        zoomOut();
        return MessageResult::handled;
    }
    // The menu's zoom items work about the point where it was opened. The
    // chosen command is carried out once the menu has closed.
    int chosen = host_.popupMenu(contextMenuItems(), host_.clientToScreen(point));
    if (chosen != 0) command(chosen);
    return MessageResult::handled;
}

MessageResult ImageWindow::rightButtonDoubleClick(uint32_t flags, Point point) {
    return rightButtonDown(flags, point);
}

MessageResult ImageWindow::middleButtonDown(uint32_t, Point point) {
    panOrigin = origin;
    panAnchor = point;
    host_.captureMouse();
    return MessageResult::handled;
}

// A quick second middle click starts no new pan: moves go on from the first
// press's anchor. It is not handed on either, as the base window's handling
// of a double click may treat it as a press.
MessageResult ImageWindow::middleButtonDoubleClick(uint32_t, Point) {
    return MessageResult::handled;
}

MessageResult ImageWindow::middleButtonUp(uint32_t, Point) {
    host_.releaseMouse();
    return MessageResult::handled;
}

MessageResult ImageWindow::keyDown(uint32_t key) {
    if (!hooks.keyCommand) return MessageResult::handled;
    if (hooks.keyCommand(*this, picture, key) == 0) return MessageResult::defaultProcessing;
    return MessageResult::handled;
}

MessageResult ImageWindow::command(int id) {
    switch (id) {
        case kCommandSaveBitmap:
            saveAsBitmap();
            break;
        case kCommandZoomIn:
            zoomIn();
            break;
        case kCommandZoomOut:
            zoomOut();
            break;
        case kCommandUnoffered:
            break;
        case kCommandAbout:
            host_.showAbout();
            break;
        case kCommandExposureUp:
            exposureKey(kVirtualKeyAdd);
            break;
        case kCommandExposureDown:
            exposureKey(kVirtualKeySubtract);
            break;
        case kCommandResetExposure:
            if (hooks.resetExposure) hooks.resetExposure(*this, picture);
            break;
        default:
            return MessageResult::defaultProcessing;
    }
    return MessageResult::handled;
}

void ImageWindow::saveAsBitmap() {
    pellumir::saveAsBitmap(host_, picture);
}

void ImageWindow::exposureKey(uint32_t key) {
    // The menu item does what its key does; whether the key was handled
    // does not matter here.
    if (hooks.keyCommand) hooks.keyCommand(*this, picture, key);
}

}  // namespace pellumir
