#pragma once

// TIFF files for the tests: written through libtiff's own writing calls,
// or, for directories libtiff would not write, assembled byte by byte.

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pellumir::test {

struct TiffLayout {
    uint32_t width = 1;
    uint32_t height = 1;
    uint16_t samples = 3;
    uint16_t bits = 32;
    uint16_t format = SAMPLEFORMAT_IEEEFP;  // 0: the field is left out
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t predictor = PREDICTOR_NONE;
    uint32_t rowsPerStrip = 2;
    bool tiled = false;
    bool bigEndian = false;
};

// Writes one directory per page. Each page holds the samples of every row,
// top row first, pixel-interleaved, as `bits`-bit values taken from the
// page's bytes: for floats, their native bytes.
inline bool writeTiff(const std::string& path, const TiffLayout& layout,
                      const std::vector<std::string>& pages) {
    TIFF* tiff = TIFFOpen(path.c_str(), layout.bigEndian ? "wb" : "wl");
    if (!tiff) return false;
    bool ok = true;
    const size_t sampleBytes = layout.bits / 8;
    const size_t rowBytes = size_t{layout.width} * layout.samples * sampleBytes;
    for (const std::string& page : pages) {
        if (page.size() < rowBytes * layout.height) {
            TIFFClose(tiff);
            return false;
        }
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, layout.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, layout.height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
        if (layout.format != 0) TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.format);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planar);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        if (layout.samples == 4) {
            uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
        if (layout.predictor != PREDICTOR_NONE)
            TIFFSetField(tiff, TIFFTAG_PREDICTOR, layout.predictor);
        if (pages.size() > 1) {
            TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        }
        if (layout.tiled) {
            // Pixel-interleaved tiles of 16 x 16; the parts of edge tiles
            // outside the picture stay zero.
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
            const size_t pixelBytes = layout.samples * sampleBytes;
            for (uint32_t y = 0; y < layout.height; y += 16) {
                for (uint32_t x = 0; x < layout.width; x += 16) {
                    std::vector<char> tile(TIFFTileSize(tiff));
                    for (uint32_t r = y; r < std::min(y + 16, layout.height); ++r) {
                        size_t columns = std::min<uint32_t>(16, layout.width - x);
                        std::memcpy(&tile[(r - y) * 16 * pixelBytes],
                                    page.data() + r * rowBytes + x * pixelBytes,
                                    columns * pixelBytes);
                    }
                    ok = ok && TIFFWriteTile(tiff, tile.data(), x, y, 0, 0) >= 0;
                }
            }
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
            std::vector<char> row(rowBytes);
            if (layout.planar == PLANARCONFIG_SEPARATE) {
                // Plane s holds sample s of every pixel, written plane after
                // plane as libtiff's strips must be.
                for (uint16_t s = 0; s < layout.samples; ++s) {
                    for (uint32_t r = 0; r < layout.height; ++r) {
                        for (uint32_t i = 0; i < layout.width; ++i) {
                            std::memcpy(&row[i * sampleBytes],
                                        page.data() + r * rowBytes +
                                            (size_t{i} * layout.samples + s) * sampleBytes,
                                        sampleBytes);
                        }
                        ok = ok && TIFFWriteScanline(tiff, row.data(), r, s) >= 0;
                    }
                }
            } else {
                for (uint32_t r = 0; r < layout.height; ++r) {
                    std::memcpy(row.data(), page.data() + r * rowBytes, rowBytes);
                    ok = ok && TIFFWriteScanline(tiff, row.data(), r, 0) >= 0;
                }
            }
        }
        ok = ok && TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return ok;
}

// The native bytes of the floats.
inline std::string nativeBytes(const std::vector<float>& values) {
    return {reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float)};
}

// The native bytes of the floats as doubles.
inline std::string nativeDoubleBytes(const std::vector<float>& values) {
    std::vector<double> doubles(values.begin(), values.end());
    return {reinterpret_cast<const char*>(doubles.data()), doubles.size() * sizeof(double)};
}

// The native bytes of the floats as IEEE halves; each value must be a
// normal half exactly (a multiple of 2^-14 with no more than 11 bits).
inline std::string nativeHalfBytes(const std::vector<float>& values) {
    std::string bytes;
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        uint16_t half = 0;
        if (v != 0.0f) {
            half = static_cast<uint16_t>(((bits >> 16) & 0x8000u) |
                                         ((((bits >> 23) & 0xffu) - 112) << 10) |
                                         ((bits >> 13) & 0x3ffu));
        }
        bytes.append(reinterpret_cast<const char*>(&half), sizeof half);
    }
    return bytes;
}

// One entry of a little-endian directory; `value` fits its four bytes.
struct TiffEntry {
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG
    uint32_t count;
    uint32_t value;
};

// Stands for the offset of the raster in a StripOffsets entry.
inline constexpr uint32_t kRasterOffset = 0xffffffff;

// A classic little-endian TIFF: the header, one directory with `entries`
// (sorted by tag), then `raster`.
inline std::string tiffBytes(const std::vector<TiffEntry>& entries, const std::string& raster) {
    std::string bytes = "II*";
    bytes += '\0';
    auto put = [&](uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    put(8, 4);
    put(entries.size(), 2);
    const uint32_t rasterOffset = static_cast<uint32_t>(8 + 2 + 12 * entries.size() + 4);
    for (const TiffEntry& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(e.count, 4);
        put(e.value == kRasterOffset ? rasterOffset : e.value, e.type == 3 ? 2 : 4);
        if (e.type == 3) put(0, 2);
    }
    put(0, 4);
    return bytes + raster;
}

// A float RGB directory of width x height with one strip of `stripBytes`
// (by default what the raster holds), written by hand; `extra` entries join
// it, `without` names a tag to leave out.
inline std::string handMadeTiff(uint32_t width, uint32_t height, const std::string& raster,
                                std::vector<TiffEntry> extra = {}, uint16_t without = 0,
                                uint16_t samples = 3) {
    std::vector<TiffEntry> entries = {
        {256, 4, 1, width},
        {257, 4, 1, height},
        {258, 3, 1, 32},
        {259, 3, 1, COMPRESSION_NONE},
        {262, 3, 1, samples >= 3 ? 2u : 1u},
        {273, 4, 1, kRasterOffset},
        {277, 3, 1, samples},
        {278, 4, 1, height},
        {279, 4, 1, static_cast<uint32_t>(raster.size())},
        {284, 3, 1, PLANARCONFIG_CONTIG},
        {339, 3, 1, SAMPLEFORMAT_IEEEFP},
    };
    for (const TiffEntry& e : extra) {
        bool replaced = false;
        for (TiffEntry& old : entries) {
            if (old.tag == e.tag) {
                old = e;
                replaced = true;
            }
        }
        if (!replaced) entries.push_back(e);
    }
    std::vector<TiffEntry> kept;
    for (const TiffEntry& e : entries) {
        if (e.tag != without) kept.push_back(e);
    }
    std::sort(kept.begin(), kept.end(),
              [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    return tiffBytes(kept, raster);
}

}  // namespace pellumir::test
