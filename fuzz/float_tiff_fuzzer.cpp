// Any bytes as a float TIFF file, read from memory through libtiff.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/float_tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
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
