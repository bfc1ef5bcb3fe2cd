// Any bytes as an ordinary TIFF file for the thumbnailer, read through
// libtiff's RGBA interface from a file (the reader takes only a path).

#include <tiffio.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "thumbnailer/display_tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    // libtiff's reports of broken files would be most of the run's time
    // and all of its output.
    static bool quiet = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)quiet;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    fuzz::ScratchFile file("display-tiff", data, size);
    int result = readDisplayTiff(image, file.path());
    if (result != 0 && result != 1) std::abort();
    fuzz::checkPicture(image, result);
    return 0;
}
