#pragma once

namespace pellumir {

// Texts the window, its commands and the command-line programs show, each
// written once so that the places that show the same thing cannot drift.

// The caption of every report of a failed save.
inline constexpr const char* kSaveError = "保存文件错误";

// The display name of the picture before a file is chosen.
inline constexpr const char* kUnnamed = "Unnamed";

// The colour the title shows while the mouse is outside the picture.
inline constexpr const char* kNoColourText = "- - -";

}  // namespace pellumir
