#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/rgbe_image.h"

namespace pellumir {

// One tile of a clockwise turn: turned[r][c] = source[last - c][r] for r in
// [r0, r1) and c in [c0, c1), where source rows lie `sourceStride` pixels
// apart and turned rows `turnedStride` apart. A whole picture of width x
// height turns with last = height - 1 and turnedStride = height; a batch of
// rows turns into its columns of a larger picture with `last` set so that
// last - c names the batch's row.
void turnTile(const RgbePixel* source, uint64_t sourceStride, int64_t last, RgbePixel* turned,
              uint64_t turnedStride, uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1);

// The exchange under every turn: out(r)[c] = in(c)[r] for r in [r0, r1)
// and c in [c0, c1), where in(c) and out(r) give the rows' pixel pointers.
// With `stream`, four-pixel stores go past the cache (the caller then
// orders them with a fence before the rows are read).
template <typename In, typename Out>
void transposeTile(In in, Out out, uint32_t r0, uint32_t r1, uint32_t c0, uint32_t c1,
                   bool stream) {
    uint32_t r = r0;
#if defined(__SSE2__)
    // Four by four: four source rows of four pixels each, exchanged across
    // as the rows of a 4 x 4 matrix of 32-bit values.
    auto store = [stream](RgbePixel* at, __m128i value) {
        if (stream) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(at), value);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), value);
        }
    };
    auto load = [&](uint32_t c) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in(c) + r));
    };
    for (; r + 4 <= r1; r += 4) {
        uint32_t c = c0;
        for (; c + 4 <= c1; c += 4) {
            __m128i a0 = load(c);
            __m128i a1 = load(c + 1);
            __m128i a2 = load(c + 2);
            __m128i a3 = load(c + 3);
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
}

}  // namespace pellumir
