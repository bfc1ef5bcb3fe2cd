#include "viewer/stretch_blit.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pellumir {

namespace {

// Columns are mapped in chunks of this many, each chunk's source offsets
// kept in a table on the stack, so a paint allocates nothing.
constexpr int64_t kChunkColumns = 1024;

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

bool usable(const Framebuffer& target) {
    return target.pixels && target.width > 0 && target.height > 0 && target.stride >= target.width;
}

// Blue, green, red bytes to 0xFFRRGGBB.
inline uint32_t packed(const uint8_t* bgr) {
    return 0xFF000000u | uint32_t{bgr[2]} << 16 | uint32_t{bgr[1]} << 8 | bgr[0];
}

// The same from one 4-byte load whose last byte is dropped: on a
// little-endian machine the three bytes land where 0xFFRRGGBB wants them.
// The byte after a pixel lies in the same row for every column but the
// bitmap's last, so only that column needs the byte loads.
inline uint32_t packedWide(const uint8_t* bgr) {
    uint32_t word;
    std::memcpy(&word, bgr, sizeof word);
    return word | 0xFF000000u;
}

inline uint32_t load32(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// One to one: count pixels from in, four at a time from the three words
// that hold exactly their twelve bytes, the rest byte by byte.
void convertRun(uint32_t* out, const uint8_t* in, int64_t count) {
    int64_t i = 0;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= count; i += 4, in += 12) {
            uint32_t a = load32(in);
            uint32_t b = load32(in + 4);
            uint32_t c = load32(in + 8);
            out[i] = a | 0xFF000000u;
            out[i + 1] = (a >> 24 | b << 8) | 0xFF000000u;
            out[i + 2] = (b >> 16 | c << 16) | 0xFF000000u;
            out[i + 3] = c >> 8 | 0xFF000000u;
        }
    }
    for (; i < count; ++i, in += 3)
        out[i] = packed(in);
}

// Through the table of source offsets; the first `wide` of them are
// columns before the bitmap's last.
void convertMapped(uint32_t* out, const uint8_t* in, const uint32_t* offsets, int64_t wide,
                   int64_t count) {
    int64_t i = 0;
    if constexpr (kLittleEndian) {
        for (; i < wide; ++i)
            out[i] = packedWide(in + offsets[i]);
    }
    for (; i < count; ++i)
        out[i] = packed(in + offsets[i]);
}

}  // namespace

void stretchBlit(const Framebuffer& target, const DisplayBitmap& bitmap, const Box& destination,
                 const Box& source) {
    if (!usable(target) || bitmap.empty()) return;
    if (destination.width <= 0 || destination.height <= 0) return;
    if (source.x < 0 || source.y < 0 || source.width <= 0 || source.height <= 0 ||
        int64_t{source.x} + source.width > bitmap.width ||
        int64_t{source.y} + source.height > bitmap.height) {
        return;
    }

    // The visible part of the destination: it may begin left of or above
    // the framebuffer by up to a zoomed pixel and end beyond it.
    const int64_t x0 = std::max<int64_t>(destination.x, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{destination.x} + destination.width, target.width);
    const int64_t y0 = std::max<int64_t>(destination.y, 0);
    const int64_t y1 =
        std::min<int64_t>(int64_t{destination.y} + destination.height, target.height);
    if (x0 >= x1 || y0 >= y1) return;

    const bool oneToOne = source.width == destination.width;
    const int64_t topRow = int64_t{source.y} + source.height - 1;
    // The offsets are below the bitmap's stride, which fits in 32 bits.
    uint32_t offsets[kChunkColumns];
    for (int64_t chunk = x0; chunk < x1; chunk += kChunkColumns) {
        const int64_t count = std::min(kChunkColumns, x1 - chunk);
        // Both factors are below 2^32, so the products fit in 64 bits.
        // Columns only grow along the chunk, so those that are the bitmap's
        // last come at its end.
        const int64_t firstColumn =
            source.x + (chunk - destination.x) * source.width / destination.width;
        int64_t wide = count;
        if (!oneToOne) {
            for (int64_t i = 0; i < count; ++i) {
                int64_t column =
                    source.x + (chunk + i - destination.x) * source.width / destination.width;
                offsets[i] = static_cast<uint32_t>(column * 3);
                if (column + 1 == int64_t{bitmap.width} && wide == count) wide = i;
            }
        }
        int64_t previousRow = -1;
        for (int64_t dy = y0; dy < y1; ++dy) {
            int64_t row = topRow - (dy - destination.y) * source.height / destination.height;
            uint32_t* out = target.pixels + dy * target.stride + chunk;
            if (row == previousRow) {
                // Zoomed in, one source row fills several framebuffer rows.
                std::memcpy(out, out - target.stride, static_cast<size_t>(count) * 4);
                continue;
            }
            const uint8_t* in = bitmap.rows[row];
            if (oneToOne) {
                convertRun(out, in + firstColumn * 3, count);
            } else {
                convertMapped(out, in, offsets, wide, count);
            }
            previousRow = row;
        }
    }
}

void fillBox(const Framebuffer& target, const Box& area, Colour colour) {
    if (!usable(target) || area.width <= 0 || area.height <= 0) return;
    const int64_t x0 = std::max<int64_t>(area.x, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{area.x} + area.width, target.width);
    const int64_t y0 = std::max<int64_t>(area.y, 0);
    const int64_t y1 = std::min<int64_t>(int64_t{area.y} + area.height, target.height);
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t value = framebufferPixel(colour);
    for (int64_t y = y0; y < y1; ++y) {
        std::fill_n(target.pixels + y * target.stride + x0, x1 - x0, value);
    }
}

}  // namespace pellumir
