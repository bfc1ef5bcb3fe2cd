#include "cli/convert_options.h"

#include <charconv>
#include <climits>

#include "display/picture_commands.h"

namespace pellumir {

namespace {

using Kind = ConvertAction::Kind;

// The whole text must be the number: "12x", "" and "+1" are refused.
template <typename Integer>
bool parseInteger(const std::string& text, Integer& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

bool parseKeys(const std::string& text, std::vector<ConvertAction>& actions) {
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        ConvertAction action;
        if (!parseInteger(item, action.key)) return false;
        actions.push_back(action);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

bool ConvertOptions::printsOnly() const {
    for (const ConvertAction& action : actions) {
        if (action.kind == Kind::info || action.kind == Kind::pixel) return true;
    }
    return false;
}

std::optional<ConvertOptions> parseConvertOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    ConvertOptions options;
    std::vector<std::string> files;
    bool greyGiven = false;
    bool swapGiven = false;
    bool optionsEnded = false;
    size_t next = 0;
    // The next argument of the option named, if there is one.
    auto take = [&](const std::string& option, std::string& value) {
        if (next >= arguments.size()) {
            error = option + " needs more arguments";
            return false;
        }
        value = arguments[next++];
        return true;
    };
    auto takePoint = [&](const std::string& option, ConvertAction& action) {
        std::string x;
        std::string y;
        if (!take(option, x) || !take(option, y)) return false;
        if (!parseInteger(x, action.x) || !parseInteger(y, action.y)) {
            error = option + " takes two whole numbers";
            return false;
        }
        return true;
    };
    auto pushKey = [&](uint32_t key) {
        ConvertAction action;
        action.key = key;
        options.actions.push_back(action);
    };

    while (next < arguments.size()) {
        const std::string argument = arguments[next++];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            options.help = true;
            return options;
        } else if (argument == "--key") {
            std::string codes;
            if (!take(argument, codes)) return std::nullopt;
            if (!parseKeys(codes, options.actions)) {
                error = "--key takes comma-separated key codes";
                return std::nullopt;
            }
        } else if (argument == "--mirror") {
            pushKey(kKeyMirror);
        } else if (argument == "--flip") {
            pushKey(kKeyFlip);
        } else if (argument == "--rotate") {
            pushKey(kKeyRotate);
        } else if (argument == "--plus") {
            pushKey(kVirtualKeyAdd);
        } else if (argument == "--minus") {
            pushKey(kVirtualKeySubtract);
        } else if (argument == "--reset") {
            options.actions.push_back({Kind::reset});
        } else if (argument == "--info") {
            options.actions.push_back({Kind::info});
        } else if (argument == "--pick" || argument == "--pixel") {
            ConvertAction action;
            action.kind = argument == "--pick" ? Kind::pick : Kind::pixel;
            if (!takePoint(argument, action)) return std::nullopt;
            options.actions.push_back(action);
        } else if (argument == "--raw") {
            std::string width;
            std::string height;
            if (!take(argument, width) || !take(argument, height)) return std::nullopt;
            RawFloatLayout& layout = options.rawLayout;
            if (!parseInteger(width, layout.width) || !parseInteger(height, layout.height) ||
                layout.width < 1 || layout.height < 1) {
                error = "--raw takes a width and a height of at least 1";
                return std::nullopt;
            }
            options.rawGiven = true;
        } else if (argument == "--grey") {
            greyGiven = true;
        } else if (argument == "--swap") {
            swapGiven = true;
        } else {
            error = "unknown option " + argument;
            return std::nullopt;
        }
    }

    size_t expected = options.printsOnly() ? 1 : 2;
    if (files.size() != expected) {
        error = expected == 1 ? "--info and --pixel take INPUT only" : "expected INPUT and OUTPUT";
        return std::nullopt;
    }
    options.input = files[0];
    if (expected == 2) options.output = files[1];

    bool rawInput = kindOfFile(options.input) == PictureKind::rawFloat;
    if (rawInput && !options.rawGiven) {
        error = "a raw float INPUT needs --raw WIDTH HEIGHT";
        return std::nullopt;
    }
    if (!rawInput && (options.rawGiven || greyGiven || swapGiven)) {
        error = "--raw, --grey and --swap are for raw float (.float) INPUT only";
        return std::nullopt;
    }
    options.rawLayout.colour = !greyGiven;
    options.rawLayout.swapBytes = swapGiven;
    return options;
}

const char* convertUsage() {
    return "usage: pellumir-convert [options] INPUT OUTPUT\n"
           "       pellumir-convert [options] --info INPUT\n"
           "       pellumir-convert [options] --pixel X Y INPUT\n"
           "\n"
           "Reads INPUT (.hdr, .pic, .pfm, .float, .tif, .tiff, .exr) and writes OUTPUT\n"
           "as the viewer saves it: .hdr or .pic as a Radiance picture, .bmp as the\n"
           "24-bit bitmap shown at the current exposure, .png as the same bitmap in an\n"
           "8-bit RGB PNG (gamma 2.2). The options act in the order given, as the\n"
           "viewer's keys do:\n"
           "  --key CODES     virtual-key codes, comma-separated (e.g. 82,82)\n"
           "  --mirror        mirror left to right (H)\n"
           "  --flip          flip top to bottom (V)\n"
           "  --rotate        turn 90 degrees clockwise (R)\n"
           "  --plus          one stop brighter (+)\n"
           "  --minus         one stop darker (-)\n"
           "  --pick X Y      expose for the pixel at column X, row Y\n"
           "  --reset         exposure back to 1\n"
           "  --info          print width, height and orientation; write nothing\n"
           "  --pixel X Y     print the colour of a pixel as the title shows it\n"
           "Raw float input (.float):\n"
           "  --raw WIDTH HEIGHT   its size (needed)\n"
           "  --grey               one float a pixel instead of three\n"
           "  --swap               big-endian floats\n"
           "  --help               this text\n";
}

}  // namespace pellumir
