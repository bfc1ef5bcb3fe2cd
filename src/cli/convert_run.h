#pragma once

#include <cstdio>

#include "cli/convert_options.h"

namespace pellumir {

// Exit statuses of pellumir-convert.
inline constexpr int kConvertOk = 0;
inline constexpr int kConvertFailed = 1;
inline constexpr int kConvertUsage = 2;

// Reads the input into currentPicture, builds the display as start-up does,
// runs the actions through the picture commands and writes the output.
// What --info and --pixel print goes to `out`; each failure is one line on
// `err` naming the file. Returns kConvertOk or kConvertFailed.
int runConvert(const ConvertOptions& options, std::FILE* out, std::FILE* err);

}  // namespace pellumir
