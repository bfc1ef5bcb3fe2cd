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
    int result = fuzz::readPathOrBytes(
        "openexr", data, size,
        [&](const std::string& path) { return readOpenExr(image, path, &reason); },
        [&](const uint8_t* bytes, size_t count) {
            return readOpenExrFromMemory(image, bytes, count, &reason);
        });
    fuzz::checkPicture(image, result);
    // Every refusal says why.
    if (result == 0 && reason.empty()) std::abort();
    return 0;
}
