// Any bytes as a Radiance file: header, resolution line and scanlines in
// any of the three encodings, turned to the standard orientation.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "picture/formats/radiance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pellumir::fuzz::useFuzzingBudget();
    using namespace pellumir;
    RgbeImage image;
    // 2: read and turned to the standard orientation.
    int result = fuzz::readEitherWay(
        "radiance", data, size, [&](const auto& source) { return readRadiance(image, source); });
    fuzz::checkPicture(image, result, 2);
    return 0;
}
