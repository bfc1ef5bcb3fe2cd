// Any bytes as a portable float map: magic, sizes, scale, raster.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/pfm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    int result = 0;
    if (fuzz::readThroughAFile(size)) {
        fuzz::ScratchFile file("pfm", data, size);
        result = readPfm(image, file.path());
    } else {
        fuzz::InputStream file(data, size);
        result = readPfm(image, file.get());
    }
    if (result != 0 && result != 1) std::abort();
    fuzz::checkPicture(image, result);
    return 0;
}
