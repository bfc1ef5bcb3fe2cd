// Any bytes as an ordinary TIFF file for the thumbnailer, read through
// libtiff's RGBA interface from a file (the reader takes only a path).

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "thumbnailer/display_tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    fuzz::ScratchFile file("display-tiff", data, size);
    int result = readDisplayTiff(image, file.path());
    fuzz::checkPicture(image, result);
    return 0;
}
