#include "picture/formats/scanline.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

bool isRepeatMarker(const RgbePixel& p) { return p.red == 1 && p.green == 1 && p.blue == 1; }

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
// surplus dropped; the plane then ends.
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
            for (; j < stop; ++j) row[j].*plane = static_cast<uint8_t>(value);
            continue;
        }
        uint32_t n = static_cast<uint32_t>(code);
        uint32_t keep = std::min(n, length - j);
        const uint8_t* next = in.next();
        if (static_cast<size_t>(in.end() - next) >= n) {
            for (uint32_t t = 0; t < keep; ++t) row[j + t].*plane = next[t];
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
    for (auto plane : kPlanes) {
        if (!readPlane(row, length, plane, in)) return -1;
    }
    return in.atEnd() ? -1 : 0;
}

int64_t writeScanline(const RgbePixel* row, uint32_t length, SafeOutput& out) {
    if (length < kMinRunLengthScanline || length > kMaxRunLengthScanline) {
        size_t written = out.write(row, size_t{length} * sizeof(RgbePixel));
        return static_cast<int64_t>(written / sizeof(RgbePixel)) - int64_t{length};
    }
    // Worst case: every value in a dump, one code byte per 128 values.
    std::vector<uint8_t> encoded(4 + 4 * (length + length / kLongestDump + 1));
    uint8_t* p = encoded.data();
    *p++ = kRunLengthMark;
    *p++ = kRunLengthMark;
    *p++ = static_cast<uint8_t>(length >> 8);
    *p++ = static_cast<uint8_t>(length & 0xff);

    for (auto plane : kPlanes) {
        auto v = [&](uint32_t i) { return row[i].*plane; };
        uint32_t j = 0;
        while (j < length) {
            // The next run of at least kShortestRun equal values, if any.
            uint32_t beg = j;
            uint32_t cnt = 0;
            for (;;) {
                cnt = 1;
                while (cnt < kLongestRun && beg + cnt < length && v(beg + cnt) == v(beg)) ++cnt;
                if (cnt >= kShortestRun) break;
                beg += cnt;
                if (beg >= length) break;
            }
            // Two or three equal values just before it go as a short run.
            uint32_t gap = beg - j;
            if ((gap == 2 || gap == 3) && v(j + 1) == v(j) && v(beg - 1) == v(j)) {
                *p++ = static_cast<uint8_t>(kRunCodeBase + gap);
                *p++ = v(j);
                j = beg;
            }
            while (j < beg) {
                uint32_t n = std::min(beg - j, kLongestDump);
                *p++ = static_cast<uint8_t>(n);
                for (uint32_t t = 0; t < n; ++t) *p++ = v(j + t);
                j += n;
            }
            if (cnt >= kShortestRun) {
                *p++ = static_cast<uint8_t>(kRunCodeBase + cnt);
                *p++ = v(beg);
                j = beg + cnt;
            }
        }
    }
    size_t size = static_cast<size_t>(p - encoded.data());
    out.write(encoded.data(), size);
    return out.failed() ? -1 : 0;
}

}  // namespace pellumir
