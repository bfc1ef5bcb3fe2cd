#pragma once

#include <cstdint>
#include <string>

namespace pellumir {

// Exit statuses of pellumir-thumbnailer.
inline constexpr int kThumbnailOk = 0;
inline constexpr int kThumbnailFailed = 1;
inline constexpr int kThumbnailUsage = 2;

// Reads the picture with the viewer's reader for its extension, shrinks it
// to at most `size` pixels on the longer side by averaging in linear light,
// chooses its exposure (automaticExposure), maps it through the viewer's
// tone table at the display gamma and writes it as a PNG at `output`.
// A TIFF file that is not float is read as the display picture it is
// (readDisplayTiff) and shown at exposure 1. Raw float files, which have no
// header to say their size, count as an unknown type. Returns
// kThumbnailOk, or kThumbnailFailed with one line in `error` and nothing
// written to `output`.
int makeThumbnail(const std::string& input, const std::string& output, uint32_t size,
                  std::string& error);

}  // namespace pellumir
