// Any bytes as an OpenEXR file, read from memory or from a file through
// OpenEXR's core library.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "picture/formats/openexr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    fuzz::useFuzzingBudget();
    RgbeImage image;
    FailureReason reason;
    int result = 0;
    if (fuzz::readThroughAFile(size)) {
        fuzz::ScratchFile file("openexr", data, size);
        result = readOpenExr(image, file.path(), &reason);
    } else {
        result = readOpenExrFromMemory(image, data, size, &reason);
    }
    if (result != 0 && result != 1) std::abort();
    // Every refusal says why.
    if (result == 0 && reason.empty()) std::abort();
    fuzz::checkPicture(image, result);
    return 0;
}
