#include "display/picture_commands.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "display/rebuilding_commands.h"
#include "display/save_file.h"
#include "display/viewer_state.h"
#include "picture/formats/radiance.h"
#include "picture/picture_ops.h"

namespace pellumir {

namespace {

// Three values of up to 39 integer digits with three decimals each take
// well under this.
constexpr size_t kTextBytes = 256;
char pixelBuffer[kTextBytes];
char exposureBuffer[kTextBytes];

bool insidePicture(int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && static_cast<uint32_t>(x) < currentPicture.width &&
           static_cast<uint32_t>(y) < currentPicture.height;
}

void saveAsRadiance(HookWindow& window) {
    FileDialogOptions options;
    options.defaultExtension = kRadianceDefaultExtension;
    options.filter = kRadianceSaveFilter;
    // The picture as it stands, turned and mirrored, without the exposure.
    saveFile(window.host(), options, [](const std::string& path, FailureReason* reason) {
        return writeRadiance(currentPicture, path, reason);
    });
}

}  // namespace

void refreshDisplay(HookWindow& window, DisplayBitmap& bitmap) {
    if (window.needsBitmap()) {
        bitmap.build(currentPicture.pixels(), currentPicture.width, currentPicture.height,
                     currentExposure, kDisplayGamma);
    }
    showRebuilt(window);
}

void showRebuilt(HookWindow& window) {
    window.host().invalidate();
    window.refreshTitle();
    window.host().updateNow();
}

int keyCommand(HookWindow& window, DisplayBitmap& bitmap, uint32_t key) {
    switch (key) {
        // The picture changes and the bitmap is rebuilt in one pass. Without
        // memory for the turned copy the picture stays as it was.
        case kKeyMirror:
            if (!window.needsBitmap()) {
                mirrorPicture(currentPicture);
                break;
            }
            mirrorAndRebuild(currentPicture, bitmap, currentExposure, kDisplayGamma);
            showRebuilt(window);
            return 1;
        case kKeyFlip:
            if (!window.needsBitmap()) {
                flipPicture(currentPicture);
                break;
            }
            flipAndRebuild(currentPicture, bitmap, currentExposure, kDisplayGamma);
            showRebuilt(window);
            return 1;
        case kKeyRotate:
            if (!window.needsBitmap()) {
                currentPicture.rotate90();
                break;
            }
            rotateAndRebuild(currentPicture, bitmap, currentExposure, kDisplayGamma);
            showRebuilt(window);
            return 1;
        case kKeySave:
            saveAsRadiance(window);
            return 1;
        case kVirtualKeyAdd:
        case kVirtualKeyOemPlus:
            currentExposure = currentExposure * 2.0f;
            break;
        case kVirtualKeySubtract:
        case kVirtualKeyOemMinus:
            currentExposure = currentExposure * 0.5f;
            break;
        default:
            return 0;
    }
    refreshDisplay(window, bitmap);
    return 1;
}

const char* pixelText(int32_t x, int32_t y) {
    if (!insidePicture(x, y)) return kNoColourText;
    RgbColour colour = decodeRgbe(currentPicture.rows[y][x]);
    std::snprintf(pixelBuffer, sizeof pixelBuffer, "%2.3f %2.3f %2.3f", colour.red, colour.green,
                  colour.blue);
    return pixelBuffer;
}

const char* exposureText() {
    double stops = std::log(static_cast<double>(currentExposure)) / std::log(2.0);
    std::snprintf(exposureBuffer, sizeof exposureBuffer, "停止 (%1.1f)", stops);
    return exposureBuffer;
}

void pickExposure(HookWindow& window, DisplayBitmap& bitmap, int32_t x, int32_t y) {
    if (!insidePicture(x, y)) return;
    RgbColour colour = decodeRgbe(currentPicture.rows[y][x]);
    // Never 0: every mantissa counts with its + 0.5. A very dark pixel gives
    // a quotient beyond single precision, an infinite exposure.
    double luminance = (colour.green * 0.587 + colour.blue * 0.114) + colour.red * 0.299;
    currentExposure = static_cast<float>(0.5 / luminance);
    refreshDisplay(window, bitmap);
}

void resetExposure(HookWindow& window, DisplayBitmap& bitmap) {
    currentExposure = 1.0f;
    refreshDisplay(window, bitmap);
}

ViewerHooks pictureCommandHooks() {
    ViewerHooks hooks;
    hooks.keyCommand = keyCommand;
    hooks.pixelText = pixelText;
    hooks.exposureText = exposureText;
    hooks.pickExposure = pickExposure;
    hooks.resetExposure = resetExposure;
    return hooks;
}

}  // namespace pellumir
