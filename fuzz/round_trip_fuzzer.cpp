// Read, write, read again: any Radiance file that reads at all must come
// back from the writer with the same size and the same pixels, in the
// standard orientation; then mirrored, flipped and turned back to itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "io/byte_sink.h"
#include "picture/formats/radiance.h"
#include "picture/formats/scanline.h"
#include "picture/picture_ops.h"

namespace {

using namespace pellumir;

// Writing costs far more than reading; a few million pixels say all that a
// larger picture would, and keep each run short.
constexpr uint64_t kLargestPicture = uint64_t{1} << 22;

bool writtenFlat(uint32_t width) {
    return width < kMinRunLengthScanline || width > kMaxRunLengthScanline;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pellumir::fuzz::useFuzzingBudget();
    RgbeImage first;
    {
        fuzz::InputStream file(data, size);
        int result = readRadiance(first, file.get());
        fuzz::checkPicture(first, result, 2);
        if (result == 0) return 0;
    }
    if (uint64_t{first.width} * first.height > kLargestPicture) return 0;

    // A flat scanline cannot hold a pixel whose mantissas are 1, 1, 1: the
    // reader takes it for a repeat marker. encodeRgbe never makes one, so
    // such pixels, which only a file can bring, are changed before writing.
    if (writtenFlat(first.width)) {
        RgbePixel* p = first.pixels();
        for (uint64_t i = 0, n = uint64_t{first.width} * first.height; i < n; ++i) {
            if (p[i].red == 1 && p[i].green == 1 && p[i].blue == 1) p[i].blue = 0;
        }
    }

    MemorySink written;
    if (writeRadiance(first, written) != 1) std::abort();
    RgbeImage second;
    fuzz::InputStream file(written.bytes().data(), written.bytes().size());
    if (readRadiance(second, file.get()) != 1) std::abort();
    if (second.width != first.width || second.height != first.height) std::abort();
    size_t bytes = size_t{first.width} * first.height * sizeof(RgbePixel);
    if (std::memcmp(first.pixels(), second.pixels(), bytes) != 0) std::abort();

    // The picture commands agree with each other: a mirror and a flip are
    // a half turn, so with two more quarter turns, six in all, they give
    // back the picture that was read.
    mirrorPicture(second);
    flipPicture(second);
    for (int turn = 0; turn < 6; ++turn) {
        uint32_t width = second.width;
        if (!second.rotate90()) return 0;
        if (second.height != width) std::abort();
    }
    fuzz::checkPicture(second, 1);
    if (std::memcmp(first.pixels(), second.pixels(), bytes) != 0) std::abort();
    return 0;
}
