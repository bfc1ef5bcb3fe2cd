#include "picture/turn_tile.h"

#include <cstdint>

namespace pellumir {

void turnTile(const RgbePixel* source, uint64_t sourceStride, int64_t last, RgbePixel* turned,
              uint64_t turnedStride, uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1) {
    // By value: the kernel's vector stores may alias anything, so values
    // reached through references would be loaded again after each store.
    auto in = [=](uint32_t c) {
        return source + static_cast<uint64_t>(last - int64_t{c}) * sourceStride;
    };
    auto out = [=](uint32_t r) { return turned + uint64_t{r} * turnedStride; };
    // The turned rows are not read again soon: where they are aligned, the
    // stores go past the cache, which spares reading each line before it is
    // overwritten.
    bool aligned =
        reinterpret_cast<uintptr_t>(turned) % 16 == 0 && turnedStride % 4 == 0 && c0 % 4 == 0;
    transposeTile(in, out, r0, r1, c0, c1, aligned);
#if defined(__SSE2__)
    // Orders the streamed stores before whatever reads the rows next.
    _mm_sfence();
#endif
}

}  // namespace pellumir
