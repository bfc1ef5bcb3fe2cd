#include "thumbnailer/thumbnailer_options.h"

namespace pellumir {

namespace {

// A whole decimal number from 1 to kLargestThumbnailSide, nothing else.
bool parseSize(const std::string& text, uint32_t& size) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value < 1 || value > kLargestThumbnailSide) return false;
    size = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

std::optional<ThumbnailerOptions> parseThumbnailerOptions(const std::vector<std::string>& arguments,
                                                          std::string& error) {
    ThumbnailerOptions options;
    if (arguments.size() == 1 && arguments[0] == "--help") {
        options.help = true;
        return options;
    }
    if (arguments.size() != 4 || arguments[0] != "-s") {
        error = "expected -s SIZE INPUT OUTPUT";
        return std::nullopt;
    }
    if (!parseSize(arguments[1], options.size)) {
        error = "SIZE must be a whole number from 1 to " + std::to_string(kLargestThumbnailSide);
        return std::nullopt;
    }
    options.input = arguments[2];
    options.output = arguments[3];
    if (options.input.empty() || options.output.empty()) {
        error = "INPUT and OUTPUT must not be empty";
        return std::nullopt;
    }
    return options;
}

const char* thumbnailerUsage() {
    return "usage: pellumir-thumbnailer -s SIZE INPUT OUTPUT.png\n"
           "Writes a PNG thumbnail of a Radiance, PFM or float TIFF picture, at most SIZE\n"
           "pixels on its longer side, with an exposure chosen from the picture.\n";
}

}  // namespace pellumir
