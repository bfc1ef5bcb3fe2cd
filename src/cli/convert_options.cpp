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

// The command line as it is read: what the options have said so far, the
// file names, and the next argument to read.
struct OptionReader {
    OptionReader(const std::vector<std::string>& given, std::string& errorText)
        : arguments(given), error(errorText) {}

    const std::vector<std::string>& arguments;
    std::string& error;
    ConvertOptions options;
    std::vector<std::string> files;
    bool greyGiven = false;
    bool swapGiven = false;
    size_t next = 0;

    // The next argument of the option named, if there is one.
    bool take(const std::string& option, std::string& value) {
        if (next >= arguments.size()) {
            error = option + " needs more arguments";
            return false;
        }
        value = arguments[next++];
        return true;
    }

    bool takePoint(const std::string& option, ConvertAction& action) {
        std::string x;
        std::string y;
        if (!take(option, x) || !take(option, y)) return false;
        if (!parseInteger(x, action.x) || !parseInteger(y, action.y)) {
            error = option + " takes two whole numbers";
            return false;
        }
        return true;
    }

    bool pushKey(uint32_t key) {
        ConvertAction action;
        action.key = key;
        options.actions.push_back(action);
        return true;
    }

    bool pushAction(Kind kind) {
        options.actions.push_back({kind});
        return true;
    }
};

bool readKeys(OptionReader& reader, const std::string& option) {
    std::string codes;
    if (!reader.take(option, codes)) return false;
    if (!parseKeys(codes, reader.options.actions)) {
        reader.error = "--key takes comma-separated key codes";
        return false;
    }
    return true;
}

bool readPoint(OptionReader& reader, const std::string& option) {
    ConvertAction action;
    action.kind = option == "--pick" ? Kind::pick : Kind::pixel;
    if (!reader.takePoint(option, action)) return false;
    reader.options.actions.push_back(action);
    return true;
}

bool readRawSize(OptionReader& reader, const std::string& option) {
    std::string width;
    std::string height;
    if (!reader.take(option, width) || !reader.take(option, height)) return false;
    RawFloatLayout& layout = reader.options.rawLayout;
    if (!parseInteger(width, layout.width) || !parseInteger(height, layout.height) ||
        layout.width < 1 || layout.height < 1) {
        reader.error = "--raw takes a width and a height of at least 1";
        return false;
    }
    reader.options.rawGiven = true;
    return true;
}

// Every option but --help and --, and what it does; false when the command
// line is refused (the reader's error then says why).
struct OptionEntry {
    const char* name;
    bool (*read)(OptionReader& reader, const std::string& option);
};

using Reader = OptionReader&;
using Name = const std::string&;
constexpr OptionEntry kOptions[] = {
    {"--key", readKeys},
    {"--mirror", [](Reader reader, Name) { return reader.pushKey(kKeyMirror); }},
    {"--flip", [](Reader reader, Name) { return reader.pushKey(kKeyFlip); }},
    {"--rotate", [](Reader reader, Name) { return reader.pushKey(kKeyRotate); }},
    {"--plus", [](Reader reader, Name) { return reader.pushKey(kVirtualKeyAdd); }},
    {"--minus", [](Reader reader, Name) { return reader.pushKey(kVirtualKeySubtract); }},
    {"--reset", [](Reader reader, Name) { return reader.pushAction(Kind::reset); }},
    {"--info", [](Reader reader, Name) { return reader.pushAction(Kind::info); }},
    {"--pick", readPoint},
    {"--pixel", readPoint},
    {"--raw", readRawSize},
    {"--grey", [](Reader reader, Name) { return reader.greyGiven = true; }},
    {"--swap", [](Reader reader, Name) { return reader.swapGiven = true; }},
};

// One option, by the table.
bool readOption(OptionReader& reader, const std::string& argument) {
    for (const OptionEntry& entry : kOptions) {
        if (argument == entry.name) return entry.read(reader, argument);
    }
    reader.error = "unknown option " + argument;
    return false;
}

// The files the actions need, and the raw float options only for raw input.
std::optional<ConvertOptions> finishOptions(OptionReader& reader) {
    ConvertOptions& options = reader.options;
    size_t expected = options.printsOnly() ? 1 : 2;
    if (reader.files.size() != expected) {
        reader.error =
            expected == 1 ? "--info and --pixel take INPUT only" : "expected INPUT and OUTPUT";
        return std::nullopt;
    }
    options.input = reader.files[0];
    if (expected == 2) options.output = reader.files[1];

    bool rawInput = kindOfFile(options.input) == PictureKind::rawFloat;
    if (rawInput && !options.rawGiven) {
        reader.error = "a raw float INPUT needs --raw WIDTH HEIGHT";
        return std::nullopt;
    }
    if (!rawInput && (options.rawGiven || reader.greyGiven || reader.swapGiven)) {
        reader.error = "--raw, --grey and --swap are for raw float (.float) INPUT only";
        return std::nullopt;
    }
    options.rawLayout.colour = !reader.greyGiven;
    options.rawLayout.swapBytes = reader.swapGiven;
    return options;
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
    OptionReader reader(arguments, error);
    bool optionsEnded = false;
    while (reader.next < arguments.size()) {
        const std::string argument = arguments[reader.next++];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            reader.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            reader.options.help = true;
            return reader.options;
        } else if (!readOption(reader, argument)) {
            return std::nullopt;
        }
    }
    return finishOptions(reader);
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
