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
    int result = 0;
    if (fuzz::readThroughAFile(size)) {
        fuzz::ScratchFile file("radiance", data, size);
        result = readRadiance(image, file.path());
    } else {
        fuzz::InputStream file(data, size);
        result = readRadiance(image, file.get());
    }
    if (result < 0 || result > 2) std::abort();
    fuzz::checkPicture(image, result);
    return 0;
}
