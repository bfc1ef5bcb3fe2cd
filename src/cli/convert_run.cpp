#include "cli/convert_run.h"

#include <algorithm>
#include <optional>
#include <string>

#include "app/picture_files.h"
#include "cli/headless_window.h"
#include "display/display_bitmap.h"
#include "display/picture_commands.h"
#include "display/png_file.h"
#include "display/rebuilding_commands.h"
#include "display/viewer_state.h"
#include "display/window_texts.h"
#include "io/failure_reason.h"
#include "picture/formats/radiance.h"
#include "picture/orientation.h"
#include "picture/spare_for_turn.h"

namespace pellumir {

namespace {

enum class OutputKind { radiance, bmp, png, unknown };

OutputKind kindOfOutput(const std::string& path) {
    auto is = [&](const char* extension) { return hasExtension(path, extension); };
    if (is("hdr") || is("pic")) return OutputKind::radiance;
    if (is("bmp")) return OutputKind::bmp;
    if (is("png")) return OutputKind::png;
    return OutputKind::unknown;
}

constexpr const char* kKnownOutputsText =
    "pictures are written to names ending in .hdr, .pic, .bmp or .png";

// Not one of the viewer's texts: the viewer never reports a turn.
constexpr const char* kRotateMessage = "cannot turn the picture";

// One line: the file, the fixed text of the viewer's message, the cause.
int fail(std::FILE* err, const std::string& path, const char* text, const std::string& cause) {
    std::fprintf(err, "%s: %s (%s)\n", path.c_str(), text, cause.c_str());
    return kConvertFailed;
}

bool isTurn(const ConvertAction& action) {
    return action.kind == ConvertAction::Kind::key && action.key == kKeyRotate;
}

// What the actions make of the picture when they only turn, mirror and
// flip it (at least one of them); nothing when any other action is given.
std::optional<Orientation> orientationOf(const std::vector<ConvertAction>& actions) {
    if (actions.empty()) return std::nullopt;
    Orientation orientation;
    for (const ConvertAction& action : actions) {
        if (action.kind != ConvertAction::Kind::key) return std::nullopt;
        switch (action.key) {
            case kKeyRotate:
                orientation = orientation.turned();
                break;
            case kKeyMirror:
                orientation = orientation.mirrored();
                break;
            case kKeyFlip:
                orientation = orientation.flipped();
                break;
            default:
                return std::nullopt;
        }
    }
    return orientation;
}

// Reads the input into the current picture; the reader's result (0 when
// the picture is empty). `firstAction` is 1 when the reading did the first
// action, else 0.
int readInput(const ConvertOptions& options, PictureKind kind, FailureReason& reason,
              size_t& firstAction) {
    firstAction = 0;
    if (kind == PictureKind::radiance && !options.actions.empty() && isTurn(options.actions[0])) {
        // A first action that turns the picture is done by the reading:
        // the scanlines are turned into the picture's columns as they come,
        // with no second block. The key would have turned the picture just
        // read, and its bitmap is built from the turned picture below.
        int result = readRadianceTurned(currentPicture, options.input, &reason);
        if (result == 0) currentPicture.release();
        firstAction = 1;
        return result;
    }
    // A later turn needs a second block of the picture's size; made
    // beside the reading, its fresh pages cost the turn nothing.
    bool turns = std::any_of(options.actions.begin(), options.actions.end(), isTurn);
    SpareForTurn spare(currentPicture);
    return readPicture(currentPicture, kind, options.input, options.rawLayout,
                       turns ? &spare : nullptr, &reason);
}

// Does the actions from `firstAction` on, in order, as the viewer's keys
// do; `readResult` is the reader's. False when a turn finds no memory for
// its copy: that leaves the picture as it was, which the viewer shows and a
// batch must not save as if turned.
bool runActions(const ConvertOptions& options, size_t firstAction, int readResult, bool needsBitmap,
                DisplayBitmap& bitmap, std::FILE* out) {
    HeadlessWindow window(needsBitmap);
    for (size_t i = firstAction; i < options.actions.size(); ++i) {
        const ConvertAction& action = options.actions[i];
        switch (action.kind) {
            case ConvertAction::Kind::key:
                if (action.key == kKeyRotate) {
                    bool turned = needsBitmap ? rotateAndRebuild(currentPicture, bitmap,
                                                                 currentExposure, kDisplayGamma)
                                              : currentPicture.rotate90();
                    if (!turned) return false;
                    break;
                }
                keyCommand(window, bitmap, action.key);
                break;
            case ConvertAction::Kind::pick:
                pickExposure(window, bitmap, action.x, action.y);
                break;
            case ConvertAction::Kind::reset:
                resetExposure(window, bitmap);
                break;
            case ConvertAction::Kind::info:
                std::fprintf(out, "width %u\nheight %u\norientation %s\n", currentPicture.width,
                             currentPicture.height,
                             readResult == 2 ? "turned to standard" : "standard");
                break;
            case ConvertAction::Kind::pixel:
                std::fprintf(out, "%s\n", pixelText(action.x, action.y));
                break;
        }
    }
    return true;
}

// Writes the output the options name, if any.
int writeOutput(const ConvertOptions& options, OutputKind outputKind, const DisplayBitmap& bitmap,
                FailureReason& reason, std::FILE* err) {
    if (outputKind == OutputKind::radiance &&
        writeRadiance(currentPicture, options.output, &reason) == 0) {
        return fail(err, options.output, kSaveError, reason.text());
    }
    if (outputKind == OutputKind::bmp && bitmap.writeBmp(options.output, &reason) == 0) {
        return fail(err, options.output, kSaveError, reason.text());
    }
    // The same pixels as the BMP, for programs that show PNG files.
    if (outputKind == OutputKind::png &&
        writeBitmapPng(options.output, bitmap, kDisplayGamma, &reason) == 0) {
        return fail(err, options.output, kSaveError, reason.text());
    }
    return kConvertOk;
}

// A Radiance output of a picture that is only turned, mirrored and flipped
// is written straight from the picture as read, its rows gathered as the
// orientation shows them: the bytes of the moved picture, with no turned
// block, no bitmap and no pass over the picture but the writing's.
int convertOriented(const ConvertOptions& options, PictureKind kind, Orientation orientation,
                    FailureReason& reason, std::FILE* err) {
    readPicture(currentPicture, kind, options.input, options.rawLayout, nullptr, &reason);
    if (currentPicture.empty()) return fail(err, options.input, kReadErrorMessage, reason.text());
    if (writeRadiance(currentPicture, options.output, &reason, orientation) == 0)
        return fail(err, options.output, kSaveError, reason.text());
    return kConvertOk;
}

}  // namespace

int runConvert(const ConvertOptions& options, std::FILE* out, std::FILE* err) {
    OutputKind outputKind = OutputKind::unknown;
    if (!options.printsOnly()) {
        outputKind = kindOfOutput(options.output);
        if (outputKind == OutputKind::unknown)
            return fail(err, options.output, kUnknownTypeMessage, kKnownOutputsText);
    }

    FailureReason reason;
    const char* refusal = nullptr;
    PictureKind kind = checkPictureFile(options.input, refusal, reason);
    if (refusal) return fail(err, options.input, refusal, reason.text());
    std::optional<Orientation> orientation;
    if (outputKind == OutputKind::radiance) orientation = orientationOf(options.actions);
    if (orientation) return convertOriented(options, kind, *orientation, reason, err);
    size_t firstAction = 0;
    int result = readInput(options, kind, reason, firstAction);
    if (currentPicture.empty()) return fail(err, options.input, kReadErrorMessage, reason.text());

    // As start-up shows the picture, so that the commands find the same
    // bitmap the window would hand them; but only when the output is made
    // from it. A Radiance output is the picture itself, and the bitmap
    // would take another 3 bytes a pixel and a pass over the memory for
    // nothing.
    bool needsBitmap = outputKind == OutputKind::bmp || outputKind == OutputKind::png;
    DisplayBitmap bitmap;
    if (needsBitmap) {
        bitmap.build(currentPicture.pixels(), currentPicture.width, currentPicture.height,
                     currentExposure, kDisplayGamma);
        bitmap.fillHeader();
    }
    if (!runActions(options, firstAction, result, needsBitmap, bitmap, out)) {
        return fail(err, options.input, kRotateMessage, "not enough memory for the turned picture");
    }
    return writeOutput(options, outputKind, bitmap, reason, err);
}

}  // namespace pellumir
