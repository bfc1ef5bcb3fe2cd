#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellumir {

// The largest thumbnail side asked for: the freedesktop sizes end at 1024
// (xx-large); twice that still keeps the reduced picture small.
inline constexpr uint32_t kLargestThumbnailSide = 2048;

struct ThumbnailerOptions {
    bool help = false;
    uint32_t size = 0;
    std::string input;
    std::string output;
};

// `-s SIZE INPUT OUTPUT` (the freedesktop thumbnailer's %s %i %o), or
// --help. Nothing when the line is not one of those; `error` then says why.
std::optional<ThumbnailerOptions> parseThumbnailerOptions(const std::vector<std::string>& arguments,
                                                          std::string& error);

// The usage text, ending in a newline.
const char* thumbnailerUsage();

}  // namespace pellumir
