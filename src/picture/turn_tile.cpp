#include "picture/turn_tile.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellumir {

void turnTile(const RgbePixel* source, uint64_t sourceStride, int64_t last, RgbePixel* turned,
              uint64_t turnedStride, uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1) {
    auto in = [&](uint32_t c) {
        return source + static_cast<uint64_t>(last - int64_t{c}) * sourceStride;
    };
    auto out = [&](uint32_t r) { return turned + uint64_t{r} * turnedStride; };
    uint32_t r = r0;
#if defined(__SSE2__)
    // Four by four: four source rows of four pixels each, exchanged across
    // as the rows of a 4 x 4 matrix of 32-bit values. The turned rows are
    // not read again soon: where they are aligned, the stores go past the
    // cache, which spares reading each line before it is overwritten.
    bool aligned =
        reinterpret_cast<uintptr_t>(turned) % 16 == 0 && turnedStride % 4 == 0 && c0 % 4 == 0;
    auto store = [aligned](RgbePixel* at, __m128i value) {
        if (aligned) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(at), value);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
        }
    };
    for (; r + 4 <= r1; r += 4) {
        uint32_t c = c0;
        for (; c + 4 <= c1; c += 4) {
            __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c) + r));
            __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 1) + r));
            __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 2) + r));
            __m128i a3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c + 3) + r));
            __m128i t0 = _mm_unpacklo_epi32(a0, a1);
            __m128i t1 = _mm_unpacklo_epi32(a2, a3);
            __m128i t2 = _mm_unpackhi_epi32(a0, a1);
            __m128i t3 = _mm_unpackhi_epi32(a2, a3);
            store(out(r) + c, _mm_unpacklo_epi64(t0, t1));
            store(out(r + 1) + c, _mm_unpackhi_epi64(t0, t1));
            store(out(r + 2) + c, _mm_unpacklo_epi64(t2, t3));
            store(out(r + 3) + c, _mm_unpackhi_epi64(t2, t3));
        }
        for (; c < c1; ++c) {
            for (uint32_t k = 0; k < 4; ++k)
                out(r + k)[c] = in(c)[r + k];
        }
    }
#endif
    for (; r < r1; ++r) {
        RgbePixel* row = out(r);
        for (uint32_t c = c0; c < c1; ++c)
            row[c] = in(c)[r];
    }
#if defined(__SSE2__)
    // Orders the streamed stores before whatever reads the rows next.
    _mm_sfence();
#endif
}

}  // namespace pellumir
