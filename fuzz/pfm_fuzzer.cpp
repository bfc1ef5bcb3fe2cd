// Any bytes as a portable float map: magic, sizes, scale, raster.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/pfm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    int result = fuzz::readEitherWay("pfm", data, size,
                                     [&](const auto& source) { return readPfm(image, source); });
    fuzz::checkPicture(image, result);
    return 0;
}
