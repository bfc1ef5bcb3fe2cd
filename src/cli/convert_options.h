#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/picture_files.h"

namespace pellumir {

// One step of a conversion, done in the order given on the command line.
struct ConvertAction {
    enum class Kind { key, pick, reset, info, pixel };
    Kind kind = Kind::key;
    uint32_t key = 0;  // for key: the virtual-key code
    int32_t x = 0;     // for pick and pixel: the picture position
    int32_t y = 0;

    friend bool operator==(const ConvertAction&, const ConvertAction&) = default;
};

struct ConvertOptions {
    bool help = false;
    std::string input;
    std::string output;  // empty when the actions only print
    bool rawGiven = false;
    RawFloatLayout rawLayout;
    std::vector<ConvertAction> actions;

    // With --info or --pixel nothing is written and OUTPUT is left out.
    bool printsOnly() const;
};

// The command line after the program's name. Nothing when it is not a valid
// command line; `error` then says why, for a line above the usage.
std::optional<ConvertOptions> parseConvertOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

// The usage text, ending in a newline.
const char* convertUsage();

}  // namespace pellumir
