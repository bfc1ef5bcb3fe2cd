#pragma once

// Small files that claim far more than they hold, built byte by byte.

#include <cstdint>
#include <string>
#include <vector>

namespace pellumir::test {

inline std::string padded(std::string bytes, size_t size) {
    if (bytes.size() < size) bytes.resize(size, '\x55');
    return bytes;
}

// The TIFF tags a float TIFF reader looks at.
enum TiffTag : uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kBitsPerSample = 258,
    kCompression = 259,
    kPhotometric = 262,
    kStripOffsets = 273,
    kSamplesPerPixel = 277,
    kRowsPerStrip = 278,
    kStripByteCounts = 279,
    kPlanarConfig = 284,
    kSampleFormat = 339,
};

inline constexpr uint16_t kNoCompression = 1;
inline constexpr uint16_t kDeflate = 8;

struct TiffEntry {
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG
    uint32_t count;
    uint32_t value;  // the value itself, or the offset of the values
};

// A little-endian TIFF: header, one directory of `entries` (sorted by tag),
// then `data`, which begins at the offset dataOffset() gives.
struct TinyTiff {
    std::vector<TiffEntry> entries;
    std::string data;

    uint32_t dataOffset() const { return 8 + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4; }

    std::string bytes() const {
        std::string out = "II*";
        out += '\0';
        auto u16 = [&](uint32_t v) {
            out += static_cast<char>(v & 0xff);
            out += static_cast<char>((v >> 8) & 0xff);
        };
        auto u32 = [&](uint32_t v) {
            u16(v & 0xffff);
            u16(v >> 16);
        };
        u32(8);
        u16(static_cast<uint32_t>(entries.size()));
        for (const TiffEntry& e : entries) {
            u16(e.tag);
            u16(e.type);
            u32(e.count);
            if (e.type == 3 && e.count == 1) {
                u16(e.value);
                u16(0);
            } else {
                u32(e.value);
            }
        }
        u32(0);
        return out + data;
    }
};

// One strip of 32-bit float samples; `stripBytes` as claimed.
inline TinyTiff floatTiff(uint32_t width, uint32_t height, uint16_t samples, uint16_t compression,
                          uint32_t stripBytes, std::string data = std::string(16, '\0')) {
    TinyTiff tiff;
    tiff.entries = {{kImageWidth, 4, 1, width},
                    {kImageLength, 4, 1, height},
                    {kBitsPerSample, 3, 1, 32},
                    {kCompression, 3, 1, compression},
                    {kPhotometric, 3, 1, samples == 1 ? 1u : 2u},
                    {kStripOffsets, 4, 1, 0},
                    {kSamplesPerPixel, 3, 1, samples},
                    {kRowsPerStrip, 4, 1, height},
                    {kStripByteCounts, 4, 1, stripBytes},
                    {kPlanarConfig, 3, 1, 1},
                    {kSampleFormat, 3, 1, 3}};
    tiff.entries[5].value = tiff.dataOffset();
    tiff.data = std::move(data);
    return tiff;
}

}  // namespace pellumir::test
