#pragma once

#include <functional>
#include <string>

#include "display/window_host.h"
#include "io/failure_reason.h"

namespace pellumir {

// Writes whatever is being saved to `path`, replacing a file there only
// when all of it was written (as the writers' path forms do). Returns 1, or
// 0 with the cause in `reason`.
using SaveWriter = std::function<int(const std::string& path, FailureReason* reason)>;

// How the window saves: asks the host for a target with `options` (always
// asking before a file is replaced), has `write` save there, and reports a
// failed save in a message box, kSaveError captioned with the path and the
// cause under it. Cancelling the dialog does nothing.
void saveFile(WindowHost& host, FileDialogOptions options, const SaveWriter& write);

}  // namespace pellumir
