#include "picture/formats/scanline_writer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellumir {

namespace {

// Runs shorter than this go into dumps, except where a whole stretch of two
// or three equal values lies before a longer run.
constexpr uint32_t kShortestRun = 4;
// The most a run's code byte can count.
constexpr uint32_t kLongestRun = 255 - kRunCodeBase;

// Unaligned little-endian loads of eight plane values at once: byte k of
// the word is value k. Elsewhere the scalar loops below do the work.
constexpr bool kWordScan = std::endian::native == std::endian::little;
constexpr uint64_t kEveryByte = 0x0101010101010101u;
constexpr uint64_t kTopBits = 0x8080808080808080u;

uint64_t load8(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The index of the lowest zero byte of `word`, or 8 when there is none. The
// borrow trick can flag bytes above a zero byte falsely, never below one.
unsigned firstZeroByte(uint64_t word) {
    uint64_t zeros = (word - kEveryByte) & ~word & kTopBits;
    return zeros == 0 ? 8 : static_cast<unsigned>(std::countr_zero(zeros)) / 8;
}

// Where the next run of at least kShortestRun equal values starts, at or
// after `from`; `length` when there is none. Stepping from value to value
// and measuring each stretch of equal values, as the format's usual
// encoder does, stops at the same place: the first stretch of four or more
// equal values begins at the first position where four equal values begin.
uint32_t nextRun(const uint8_t* v, uint32_t from, uint32_t length) {
    uint32_t i = from;
    if constexpr (kWordScan) {
        // Candidates i to i + 7 need the values up to i + 10.
        for (; i + 10 < length; i += 8) {
            uint64_t a = load8(v + i);
            uint64_t b = load8(v + i + 1);
            uint64_t c = load8(v + i + 2);
            uint64_t d = load8(v + i + 3);
            unsigned at = firstZeroByte((a ^ b) | (b ^ c) | (c ^ d));
            if (at < 8) return i + at;
        }
    }
    for (; i + kShortestRun <= length; ++i) {
        if (v[i] == v[i + 1] && v[i] == v[i + 2] && v[i] == v[i + 3]) return i;
    }
    return length;
}

// How many values from `at` on equal v[at], at most kLongestRun and never
// past the end.
uint32_t runLength(const uint8_t* v, uint32_t at, uint32_t length) {
    uint32_t limit = std::min(kLongestRun, length - at);
    uint32_t n = 1;
    if constexpr (kWordScan) {
        // The lowest set bit of the difference lies in the first value that differs.
        uint64_t value = v[at] * kEveryByte;
        for (; n + 8 <= limit; n += 8) {
            uint64_t diff = load8(v + at + n) ^ value;
            if (diff != 0) return n + static_cast<uint32_t>(std::countr_zero(diff)) / 8;
        }
    }
    while (n < limit && v[at + n] == v[at])
        ++n;
    return n;
}

// Component k of pixel i to planes[k * length + i].
void splitPlanes(const RgbePixel* row, uint32_t length, uint8_t* planes) {
    uint32_t i = 0;
#if defined(__SSE2__)
    // Sixteen pixels at a time: each component shifted down to the low byte
    // of its pixel's 32 bits, then packed to 16 bytes (the values are 0 to
    // 255, so the saturating packs never saturate).
    const __m128i lowByte = _mm_set1_epi32(0xff);
    for (; i + 16 <= length; i += 16) {
        __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 4));
        __m128i p2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 8));
        __m128i p3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 12));
        auto store = [&](size_t k, __m128i a, __m128i b, __m128i c, __m128i d) {
            __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(planes + k * length + i), bytes);
        };
        store(0, _mm_and_si128(p0, lowByte), _mm_and_si128(p1, lowByte), _mm_and_si128(p2, lowByte),
              _mm_and_si128(p3, lowByte));
        store(1, _mm_and_si128(_mm_srli_epi32(p0, 8), lowByte),
              _mm_and_si128(_mm_srli_epi32(p1, 8), lowByte),
              _mm_and_si128(_mm_srli_epi32(p2, 8), lowByte),
              _mm_and_si128(_mm_srli_epi32(p3, 8), lowByte));
        store(2, _mm_and_si128(_mm_srli_epi32(p0, 16), lowByte),
              _mm_and_si128(_mm_srli_epi32(p1, 16), lowByte),
              _mm_and_si128(_mm_srli_epi32(p2, 16), lowByte),
              _mm_and_si128(_mm_srli_epi32(p3, 16), lowByte));
        store(3, _mm_srli_epi32(p0, 24), _mm_srli_epi32(p1, 24), _mm_srli_epi32(p2, 24),
              _mm_srli_epi32(p3, 24));
    }
#endif
    for (; i < length; ++i) {
        planes[i] = row[i].red;
        planes[length + i] = row[i].green;
        planes[2 * size_t{length} + i] = row[i].blue;
        planes[3 * size_t{length} + i] = row[i].exponent;
    }
}

// One plane of a run-length scanline into `p`; returns the end of what it
// wrote. Runs are 4 to 127 values, short runs (2 or 3) only where the whole
// stretch before the next run is one value, dumps 1 to 128 values.
uint8_t* encodePlane(const uint8_t* v, uint32_t length, uint8_t* p) {
    uint32_t j = 0;  // the first value not yet written
    while (j < length) {
        // Runs often follow one another: look at j itself before scanning.
        bool runHere =
            j + kShortestRun <= length && v[j] == v[j + 1] && v[j] == v[j + 2] && v[j] == v[j + 3];
        uint32_t beg = runHere ? j : nextRun(v, j, length);
        uint32_t cnt = beg < length ? runLength(v, beg, length) : 0;
        uint32_t gap = beg - j;
        if ((gap == 2 || gap == 3) && v[j + 1] == v[j] && v[beg - 1] == v[j]) {
            *p++ = static_cast<uint8_t>(kRunCodeBase + gap);
            *p++ = v[j];
            j = beg;
        }
        while (j < beg) {
            uint32_t n = std::min(beg - j, kLongestDump);
            *p++ = static_cast<uint8_t>(n);
            std::memcpy(p, v + j, n);
            p += n;
            j += n;
        }
        if (cnt >= kShortestRun) {
            *p++ = static_cast<uint8_t>(kRunCodeBase + cnt);
            *p++ = v[beg];
            j = beg + cnt;
        }
    }
    return p;
}

// The four planes side by side, then the encoded scanline. Worst case for
// the latter: every value in a dump, one code byte per 128 values.
size_t planesBytes(uint32_t length) {
    return size_t{4} * length;
}
size_t encodedBytes(uint32_t length) {
    return 4 + 4 * (size_t{length} + length / kLongestDump + 1);
}

bool writtenFlat(uint32_t length) {
    return length < kMinRunLengthScanline || length > kMaxRunLengthScanline;
}

}  // namespace

ScanlineWriter::ScanlineWriter(uint32_t length) : length_(length) {
    if (!writtenFlat(length)) {
        scratch_ =
            std::make_unique_for_overwrite<uint8_t[]>(planesBytes(length) + encodedBytes(length));
    }
}

int64_t ScanlineWriter::write(const RgbePixel* row, ByteSink& out) {
    uint32_t length = length_;
    if (writtenFlat(length)) {
        size_t written = out.write(row, size_t{length} * sizeof(RgbePixel));
        return static_cast<int64_t>(written / sizeof(RgbePixel)) - int64_t{length};
    }
    uint8_t* planes = scratch_.get();
    splitPlanes(row, length, planes);

    uint8_t* encoded = planes + planesBytes(length);
    uint8_t* p = encoded;
    *p++ = kRunLengthMark;
    *p++ = kRunLengthMark;
    *p++ = static_cast<uint8_t>(length >> 8);
    *p++ = static_cast<uint8_t>(length & 0xff);
    for (size_t k = 0; k < 4; ++k)
        p = encodePlane(planes + k * length, length, p);

    auto size = static_cast<size_t>(p - encoded);
    return out.write(encoded, size) == size ? 0 : -1;
}

int64_t writeScanline(const RgbePixel* row, uint32_t length, ByteSink& out) {
    return ScanlineWriter(length).write(row, out);
}

}  // namespace pellumir
