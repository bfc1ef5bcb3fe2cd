// Any bytes as a float TIFF file, read from memory through libtiff.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/float_tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    int result = fuzz::readPathOrBytes(
        "float-tiff", data, size,
        [&](const std::string& path) { return readFloatTiff(image, path); },
        [&](const uint8_t* bytes, size_t count) {
            return readFloatTiffFromMemory(image, bytes, count);
        });
    fuzz::checkPicture(image, result);
    return 0;
}
