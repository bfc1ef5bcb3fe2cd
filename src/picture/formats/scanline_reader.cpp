#include "picture/formats/scanline_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pellumir {

namespace {

// The four planes of a run-length scanline, in file order.
constexpr uint8_t RgbePixel::*kPlanes[4] = {&RgbePixel::red, &RgbePixel::green, &RgbePixel::blue,
                                            &RgbePixel::exponent};

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

// A scanline is decoded plane by plane into one contiguous block each, then
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

// The one packet at `packet` into values[j] on, `j` moved past what it
// stored. A packet that reaches past the end of the plane (`length`
// values) is taken whole and its surplus dropped. The pieces of a dump read
// up to 128 bytes after the code byte, whatever its count: they must be
// there. Returns the first byte after the packet.
inline const uint8_t* decodePacket(const uint8_t* packet, uint8_t* values, uint32_t& j,
                                   uint32_t length) {
    uint32_t code = *packet++;
    if (code > kRunCodeBase) {
        uint32_t keep = std::min(code - kRunCodeBase, length - j);
        fillPieces(values + j, *packet, keep);
        j += keep;
        return packet + 1;
    }
    uint32_t keep = std::min(code, length - j);
    copyPieces(values + j, packet, keep);
    j += keep;
    return packet + code;
}

// A packet too near the end of the buffered bytes to be decoded where it
// lies, gathered byte by byte into `packet` (1 + kLongestDump bytes).
// False at the end of the file (or on a read error) before its last byte,
// with `got` telling how many of its bytes, the code included, there were.
bool gatherPacket(ByteInput& in, uint8_t* packet, uint32_t& got) {
    got = 0;
    int code = in.get();
    if (code == ByteInput::kEnd) return false;
    packet[got++] = static_cast<uint8_t>(code);
    uint32_t size =
        1 + (static_cast<uint32_t>(code) > kRunCodeBase ? 1 : static_cast<uint32_t>(code));
    while (got < size) {
        int value = in.get();
        if (value == ByteInput::kEnd) return false;
        packet[got++] = static_cast<uint8_t>(value);
    }
    return true;
}

// One plane of `length` values into `values`. `stored` tells how many
// leading values hold what the file gave them: all on success; on failure
// those before the packet that the file ends in, and as much of a dump as
// the file still holds.
bool readPlaneValues(uint8_t* values, uint32_t length, ByteInput& in, uint32_t& stored) {
    uint32_t j = 0;
    while (j < length) {
        // While a whole packet (a code byte and at most 128 more) is
        // buffered, it is decoded straight from the buffer.
        const uint8_t* next = in.next();
        const uint8_t* end = in.end();
        while (j < length && end - next > static_cast<std::ptrdiff_t>(kLongestDump))
            next = decodePacket(next, values, j, length);
        in.consume(next);
        if (j == length) break;

        // Near the end of the buffer or of the file: a copy of the packet,
        // zeros after it for the pieces to read.
        uint8_t packet[1 + kLongestDump] = {};
        uint32_t got = 0;
        if (!gatherPacket(in, packet, got)) {
            if (got > 1 && packet[0] <= kRunCodeBase) {
                uint32_t keep = std::min(got - 1, length - j);
                std::memcpy(values + j, packet + 1, keep);
                j += keep;
            }
            stored = j;
            return false;
        }
        decodePacket(packet, values, j, length);
    }
    stored = j;
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

// The four planes of a run-length scanline after its 2, 2 and length,
// through `planes` (4 x length values and kPlaneSlack bytes). On failure
// the row holds what the file gave it up to where the file failed.
bool readPlanes(RgbePixel* row, uint32_t length, ByteInput& in, uint8_t* planes) {
    uint32_t counts[4] = {0, 0, 0, 0};
    bool ok = true;
    for (uint32_t k = 0; k < 4 && ok; ++k) {
        ok = readPlaneValues(planes + k * size_t{length}, length, in, counts[k]);
    }
    joinPlanes(planes, length, counts, row);
    return ok;
}

}  // namespace

ScanlineReader::ScanlineReader(uint32_t length)
    : length_(length),
      runLength_(length >= kMinRunLengthScanline && length <= kMaxRunLengthScanline) {
    if (runLength_) planes_.reset(new (std::nothrow) uint8_t[4 * size_t{length} + kPlaneSlack]);
}

int ScanlineReader::read(RgbePixel* row, ByteInput& in, bool firstRow) {
    uint32_t length = length_;
    if (!runLength_) return readOldScanline(row, length, in, !firstRow);
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
    if (!readPlanes(row, length, in, planes_.get())) return -1;
    return in.atEnd() ? -1 : 0;
}

int readScanline(RgbePixel* row, uint32_t length, ByteInput& in, bool firstRow) {
    ScanlineReader reader(length);
    return reader.ready() ? reader.read(row, in, firstRow) : -1;
}

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

}  // namespace pellumir
