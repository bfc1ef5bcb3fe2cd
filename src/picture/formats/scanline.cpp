#include "picture/formats/scanline.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellumir {

namespace {

// The four planes of a run-length scanline, in file order.
constexpr uint8_t RgbePixel::*kPlanes[4] = {&RgbePixel::red, &RgbePixel::green, &RgbePixel::blue,
                                            &RgbePixel::exponent};

// The bytes 2, 2 open a new run-length scanline; a third byte with its top
// bit set makes them an ordinary pixel instead.
constexpr int kRunLengthMark = 2;
// Code bytes above this are runs of (code - 128) equal values; codes up to
// it are dumps of that many literal values.
constexpr int kRunCodeBase = 128;
constexpr uint32_t kLongestRun = 127;
constexpr uint32_t kShortestRun = 4;
constexpr uint32_t kLongestDump = 128;

bool isRepeatMarker(const RgbePixel& p) {
    return p.red == 1 && p.green == 1 && p.blue == 1;
}

// Consecutive markers multiply by 256 each: a, then b, stand for a + 256 b
// copies. From the fifth marker on the count no longer fits 32 bits; it
// then saturates, which is more than any scanline can take.
uint64_t markerCount(uint8_t value, unsigned shift) {
    if (shift >= 32) return value ? UINT64_MAX : 0;
    return uint64_t{value} << shift;
}

bool readPixel(ByteInput& in, RgbePixel& pixel) {
    const uint8_t* next = in.next();
    if (in.end() - next >= 4) {
        std::memcpy(&pixel, next, 4);
        in.consume(next + 4);
        return true;
    }
    int r = in.get();
    int g = in.get();
    int b = in.get();
    int e = in.get();
    if (e == ByteInput::kEnd) return false;  // the end is sticky: earlier bytes failed too
    pixel = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
             static_cast<uint8_t>(e)};
    return true;
}

// One plane of a run-length scanline: component `plane` of pixels 0 to
// length - 1. A packet that reaches past the end is read whole and the
// surplus dropped; the plane then ends. Used when the row's planes cannot
// be decoded apart (no memory for them), with the same outcome.
bool readPlane(RgbePixel* row, uint32_t length, uint8_t RgbePixel::*plane, ByteInput& in) {
    uint32_t j = 0;
    while (j < length) {
        int code = in.get();
        if (code == ByteInput::kEnd) return false;
        if (code > kRunCodeBase) {
            uint32_t n = static_cast<uint32_t>(code - kRunCodeBase);
            int value = in.get();
            if (value == ByteInput::kEnd) return false;
            uint32_t stop = std::min(length, j + n);
            for (; j < stop; ++j)
                row[j].*plane = static_cast<uint8_t>(value);
            continue;
        }
        uint32_t n = static_cast<uint32_t>(code);
        uint32_t keep = std::min(n, length - j);
        const uint8_t* next = in.next();
        if (static_cast<size_t>(in.end() - next) >= n) {
            for (uint32_t t = 0; t < keep; ++t)
                row[j + t].*plane = next[t];
            in.consume(next + n);
        } else {
            for (uint32_t t = 0; t < n; ++t) {
                int value = in.get();
                if (value == ByteInput::kEnd) return false;
                if (t < keep) row[j + t].*plane = static_cast<uint8_t>(value);
            }
        }
        j += keep;
    }
    return true;
}

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

// A scanline decoded plane by plane into one contiguous block each, then
// interleaved into the row: runs and dumps become block fills and copies
// instead of byte stores four bytes apart. The fills and copies go in
// pieces of 16 bytes and may run up to 15 bytes past a packet's end, over
// values that the next packets (or the next plane) write afterwards;
// kPlaneSlack bytes after the last plane take the overrun.
constexpr size_t kPiece = 16;
constexpr size_t kPlaneSlack = kPiece;

void fillPieces(uint8_t* to, uint8_t value, uint32_t count) {
    uint8_t piece[kPiece];
    std::memset(piece, value, kPiece);
    for (uint32_t k = 0; k < count; k += kPiece)
        std::memcpy(to + k, piece, kPiece);
}

// Reads up to kPiece - 1 bytes past from + count: the caller makes sure
// that they are there.
void copyPieces(uint8_t* to, const uint8_t* from, uint32_t count) {
    for (uint32_t k = 0; k < count; k += kPiece)
        std::memcpy(to + k, from + k, kPiece);
}

// One plane into `values`, with the packets, surplus and end-of-file
// handling of readPlane above. `stored` tells how many leading values hold
// what the file gave them: all on success, and on failure as many as
// readPlane would have stored into the row before failing.
bool readPlaneValues(uint8_t* values, uint32_t length, ByteInput& in, uint32_t& stored) {
    uint32_t j = 0;
    // While a whole packet (a code byte and at most 128 more) is buffered,
    // the bytes are taken straight from the buffer; none of them can be
    // the end of the file.
    const uint8_t* next = in.next();
    const uint8_t* end = in.end();
    while (j < length && end - next > static_cast<std::ptrdiff_t>(kLongestDump)) {
        uint32_t code = *next++;
        if (code > kRunCodeBase) {
            uint32_t keep = std::min(code - kRunCodeBase, length - j);
            fillPieces(values + j, *next++, keep);
            j += keep;
        } else {
            uint32_t keep = std::min(code, length - j);
            copyPieces(values + j, next, keep);  // at least 128 bytes follow the code
            next += code;
            j += keep;
        }
    }
    in.consume(next);
    stored = j;

    // Near the end of the buffer or of the file: byte by byte.
    while (j < length) {
        int code = in.get();
        if (code == ByteInput::kEnd) return false;
        if (code > kRunCodeBase) {
            uint32_t n = static_cast<uint32_t>(code - kRunCodeBase);
            int value = in.get();
            if (value == ByteInput::kEnd) return false;
            uint32_t keep = std::min(n, length - j);
            std::memset(values + j, value, keep);
            j += keep;
            stored = j;
            continue;
        }
        uint32_t n = static_cast<uint32_t>(code);
        uint32_t keep = std::min(n, length - j);
        next = in.next();
        if (static_cast<size_t>(in.end() - next) >= n) {
            std::memcpy(values + j, next, keep);
            in.consume(next + n);
        } else {
            for (uint32_t t = 0; t < n; ++t) {
                int value = in.get();
                if (value == ByteInput::kEnd) return false;
                if (t < keep) {
                    values[j + t] = static_cast<uint8_t>(value);
                    stored = j + t + 1;
                }
            }
        }
        j += keep;
        stored = j;
    }
    return true;
}

// Component k of pixel i from planes[k * length + i], for the first
// `counts[k]` pixels of each component.
void joinPlanes(const uint8_t* planes, uint32_t length, const uint32_t counts[4], RgbePixel* row) {
    const uint8_t* red = planes;
    const uint8_t* green = planes + length;
    const uint8_t* blue = planes + 2 * size_t{length};
    const uint8_t* exponent = planes + 3 * size_t{length};
    uint32_t i = 0;
    bool whole =
        counts[0] == length && counts[1] == length && counts[2] == length && counts[3] == length;
#if defined(__SSE2__)
    if (whole) {
        for (; i + 16 <= length; i += 16) {
            __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + i));
            __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + i));
            __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(exponent + i));
            __m128i redGreenLow = _mm_unpacklo_epi8(r, g);
            __m128i redGreenHigh = _mm_unpackhi_epi8(r, g);
            __m128i blueExponentLow = _mm_unpacklo_epi8(b, e);
            __m128i blueExponentHigh = _mm_unpackhi_epi8(b, e);
            auto* to = reinterpret_cast<__m128i*>(row + i);
            _mm_storeu_si128(to, _mm_unpacklo_epi16(redGreenLow, blueExponentLow));
            _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(redGreenLow, blueExponentLow));
            _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(redGreenHigh, blueExponentHigh));
            _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(redGreenHigh, blueExponentHigh));
        }
    }
#endif
    if (whole) {
        for (; i < length; ++i)
            row[i] = {red[i], green[i], blue[i], exponent[i]};
        return;
    }
    for (uint32_t k = 0; k < 4; ++k) {
        const uint8_t* values = planes + k * size_t{length};
        for (uint32_t t = 0; t < counts[k]; ++t)
            row[t].*kPlanes[k] = values[t];
    }
}

// The four planes of a run-length scanline after its 2, 2 and length.
// Returns false where readPlane would have, with the row as it would have
// left it.
bool readPlanes(RgbePixel* row, uint32_t length, ByteInput& in) {
    std::unique_ptr<uint8_t, decltype(&std::free)> planes(
        static_cast<uint8_t*>(std::malloc(4 * size_t{length} + kPlaneSlack)), &std::free);
    if (!planes) {
        for (auto plane : kPlanes) {
            if (!readPlane(row, length, plane, in)) return false;
        }
        return true;
    }
    uint32_t counts[4] = {0, 0, 0, 0};
    bool ok = true;
    for (uint32_t k = 0; k < 4 && ok; ++k) {
        ok = readPlaneValues(planes.get() + k * size_t{length}, length, in, counts[k]);
    }
    joinPlanes(planes.get(), length, counts, row);
    return ok;
}

}  // namespace

int readOldScanline(RgbePixel* first, uint32_t count, ByteInput& in, bool hasPixelBefore) {
    RgbePixel* position = first;
    uint32_t left = count;
    unsigned shift = 0;
    while (left > 0) {
        if (!readPixel(in, *position) || in.failed()) return -1;
        if (!isRepeatMarker(*position)) {
            ++position;
            --left;
            shift = 0;
            continue;
        }
        uint64_t copies = markerCount(position->exponent, shift);
        if (copies > 0 && position == first && !hasPixelBefore) return -1;
        uint32_t filled = static_cast<uint32_t>(std::min<uint64_t>(copies, left));
        // A marker of count 0 fills nothing: the next pixel read overwrites it.
        if (filled > 0) std::fill_n(position, filled, position[-1]);
        position += filled;
        left -= filled;
        shift += 8;
    }
    return 0;
}

int readScanline(RgbePixel* row, uint32_t length, ByteInput& in, bool firstRow) {
    if (length < kMinRunLengthScanline || length > kMaxRunLengthScanline) {
        return readOldScanline(row, length, in, !firstRow);
    }
    int first = in.get();
    if (first == ByteInput::kEnd) return -1;
    if (first != kRunLengthMark) {
        in.unget();
        return readOldScanline(row, length, in, !firstRow);
    }
    int second = in.get();
    int third = in.get();
    int fourth = in.get();
    if (fourth == ByteInput::kEnd) return -1;
    if (second != kRunLengthMark || (third & 0x80) != 0) {
        // An ordinary pixel that happens to start with 2.
        row[0] = {static_cast<uint8_t>(first), static_cast<uint8_t>(second),
                  static_cast<uint8_t>(third), static_cast<uint8_t>(fourth)};
        return readOldScanline(row + 1, length - 1, in, true);
    }
    if (static_cast<uint32_t>(third << 8 | fourth) != length) return -1;
    if (!readPlanes(row, length, in)) return -1;
    return in.atEnd() ? -1 : 0;
}

int64_t writeScanline(const RgbePixel* row, uint32_t length, SafeOutput& out) {
    if (length < kMinRunLengthScanline || length > kMaxRunLengthScanline) {
        size_t written = out.write(row, size_t{length} * sizeof(RgbePixel));
        return static_cast<int64_t>(written / sizeof(RgbePixel)) - int64_t{length};
    }
    // The four planes side by side, then the encoded scanline. Worst case
    // for the latter: every value in a dump, one code byte per 128 values.
    size_t planesSize = size_t{4} * length;
    size_t encodedSize = 4 + 4 * (size_t{length} + length / kLongestDump + 1);
    auto scratch = std::make_unique_for_overwrite<uint8_t[]>(planesSize + encodedSize);
    uint8_t* planes = scratch.get();
    splitPlanes(row, length, planes);

    uint8_t* encoded = planes + planesSize;
    uint8_t* p = encoded;
    *p++ = kRunLengthMark;
    *p++ = kRunLengthMark;
    *p++ = static_cast<uint8_t>(length >> 8);
    *p++ = static_cast<uint8_t>(length & 0xff);
    for (size_t k = 0; k < 4; ++k)
        p = encodePlane(planes + k * length, length, p);

    out.write(encoded, static_cast<size_t>(p - encoded));
    return out.failed() ? -1 : 0;
}

}  // namespace pellumir
