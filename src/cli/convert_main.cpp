// pellumir-convert: the viewer's reading, picture commands and saving from
// the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/convert_options.h"
#include "cli/convert_run.h"
#include "io/save_signals.h"

using namespace pellumir;

int main(int argc, char** argv) {
    // Broken pipes and file size limits become failed saves; an interrupted
    // save leaves no file behind.
    pellumir::installSaveSignalHandlers();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    std::optional<ConvertOptions> options = parseConvertOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "pellumir-convert: %s\n%s", error.c_str(), convertUsage());
        return kConvertUsage;
    }
    if (options->help) {
        std::fputs(convertUsage(), stdout);
        return kConvertOk;
    }
    int status = runConvert(*options, stdout, stderr);
    // What --info and --pixel printed must have arrived (a closed pipe).
    if (std::fflush(stdout) != 0 && status == kConvertOk) {
        std::fprintf(stderr, "pellumir-convert: cannot write to standard output\n");
        return kConvertFailed;
    }
    return status;
}
