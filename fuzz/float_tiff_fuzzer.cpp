// Any bytes as a float TIFF file, read from memory through libtiff.

#include <tiffio.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/float_tiff.h"

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
    int result = 0;
    if (fuzz::readThroughAFile(size)) {
        fuzz::ScratchFile file("float-tiff", data, size);
        result = readFloatTiff(image, file.path());
    } else {
        result = readFloatTiffFromMemory(image, data, size);
    }
    if (result != 0 && result != 1) std::abort();
    fuzz::checkPicture(image, result);
    return 0;
}
