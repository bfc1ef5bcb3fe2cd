// Any bytes as a raw float file. The four values that the user would type
// into the raw float dialog come from the input's first ten bytes: the
// width and the height as signed 32-bit little-endian numbers, then the
// colour byte and the byte-order byte (nonzero: set); the rest is the file.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "picture/formats/raw_float.h"

namespace {

constexpr size_t kPrefix = 10;

int64_t signed32(const uint8_t* bytes) {
    uint32_t value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                     uint32_t{bytes[3]} << 24;
    int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellumir;
    if (size < kPrefix) return 0;
    fuzz::useFuzzingBudget();
    int64_t width = signed32(data);
    int64_t height = signed32(data + 4);
    int colour = data[8];
    int swap = data[9];
    RgbeImage image;
    int result =
        fuzz::readEitherWay("raw-float", data + kPrefix, size - kPrefix, [&](const auto& source) {
            return readRawFloat(image, source, width, height, colour, swap);
        });
    fuzz::checkPicture(image, result);
    if (result == 1 && (image.width != width || image.height != height)) std::abort();
    return 0;
}
