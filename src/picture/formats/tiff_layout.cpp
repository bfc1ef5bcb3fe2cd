#include "picture/formats/tiff_layout.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "picture/formats/float_raster.h"
#include "picture/formats/tiff_open.h"
#include "picture/memory_budget.h"

namespace pellumir {

namespace {

std::string printed(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

const char* integerKind(uint16_t format) {
    return format == SAMPLEFORMAT_INT ? "signed" : "unsigned";
}

// The photometric interpretations whose samples are plain values: grey,
// colour, or none given at all (as files from a few writers have).
const char* unreadPhotometric(uint16_t photometric) {
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_RGB:
            return nullptr;
        case PHOTOMETRIC_MINISWHITE:
            return "TIFF files whose samples count from white (MinIsWhite) are not read";
        case PHOTOMETRIC_PALETTE:
            return "palette TIFF files are not read";
        case PHOTOMETRIC_MASK:
            return "TIFF transparency masks are not read";
        case PHOTOMETRIC_SEPARATED:
            return "TIFF files of separated inks (CMYK) are not read";
        case PHOTOMETRIC_YCBCR:
            return "YCbCr TIFF files are not read";
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB:
            return "CIE L*a*b* TIFF files are not read";
        case PHOTOMETRIC_LOGL:
        case PHOTOMETRIC_LOGLUV:
            return "LogLuv TIFF files are not read";
        default:
            return "TIFF files of this photometric interpretation are not read";
    }
}

// The kind of the samples: float, of 16, 32 or 64 bits.
int checkSampleFormat(TIFF* tiff, uint16_t& bits, FailureReason* reason) {
    uint16_t format = 0;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    // A missing SampleFormat means unsigned integers, as TIFF 6.0 defines it.
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    if (const char* refusal = unreadPhotometric(photometric)) return failWith(reason, refusal);
    if (format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_INT) {
        return failWith(reason, printed("TIFF files of %u-bit %s integer samples are not read",
                                        bits, integerKind(format)));
    }
    if (format != SAMPLEFORMAT_IEEEFP) {
        return failWith(reason,
                        format == SAMPLEFORMAT_COMPLEXIEEEFP || format == SAMPLEFORMAT_COMPLEXINT
                            ? "TIFF files of complex samples are not read"
                            : "TIFF files of samples without a number format are not read");
    }
    if (bits != 16 && bits != 32 && bits != 64) {
        return failWith(reason, printed("TIFF files of %u-bit float samples are not read", bits));
    }
    return 1;
}

// The picture's size and its samples a pixel.
int checkPixels(TIFF* tiff, uint16_t bits, TiffLayout& layout, FailureReason* reason) {
    uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    if (layout.width == 0 || layout.height == 0) {
        return failWith(reason, printed("the TIFF file gives a picture of %u × %u pixels",
                                        layout.width, layout.height));
    }
    // As every reader: under the pixel cap, and shown within the memory
    // budget, before anything is decoded.
    if (!pictureFitsInMemory(layout.width, layout.height)) {
        return failWith(reason, tooLargeText(layout.width, layout.height));
    }
    // Colour takes three samples a pixel; two (grey and alpha, say) are
    // neither grey nor colour.
    if (layout.samples == 0 || layout.samples == 2) {
        return failWith(reason,
                        printed("TIFF files with %u samples a pixel are not read", layout.samples));
    }
    layout.bytesPerSample = static_cast<uint16_t>(bits / 8);
    layout.taken = layout.samples == 1 ? 1 : 3;
    // With one sample a pixel the planar configuration makes no difference.
    layout.separatePlanes = layout.samples > 1 && planar == PLANARCONFIG_SEPARATE;
    return 1;
}

// How the pixels are cut into strips or tiles.
int measureBlocks(TIFF* tiff, TiffLayout& layout, FailureReason* reason) {
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.blockWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.blockHeight);
        if (layout.blockWidth == 0 || layout.blockHeight == 0) {
            return failWith(reason, "the TIFF file gives tiles without a size");
        }
        layout.blockBytes = TIFFTileSize64(tiff);
    } else {
        uint32_t rowsPerStrip = UINT32_MAX;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        layout.blockWidth = layout.width;
        layout.blockHeight = std::clamp<uint32_t>(rowsPerStrip, 1, layout.height);
        layout.blockBytes = TIFFVStripSize64(tiff, layout.blockHeight);
    }
    layout.blocksAcross =
        static_cast<uint32_t>((uint64_t{layout.width} + layout.blockWidth - 1) / layout.blockWidth);
    layout.blocksDown = static_cast<uint32_t>((uint64_t{layout.height} + layout.blockHeight - 1) /
                                              layout.blockHeight);
    return 1;
}

// Each decoded block holds its pixels and fits the reader's buffers.
int checkBlockBytes(const TiffLayout& layout, uint64_t fileSize, FailureReason* reason) {
    // What the conversion reads of a block: every row of it, each of
    // blockWidth pixels of the samples one plane holds.
    uint64_t planeSamples = layout.separatePlanes ? 1 : layout.samples;
    uint64_t needed = 0;
    if (!checkedProduct(layout.blockWidth, planeSamples, needed) ||
        !checkedProduct(needed, layout.bytesPerSample, needed) ||
        !checkedProduct(needed, layout.blockHeight, needed) || layout.blockBytes < needed) {
        return failWith(reason, "the TIFF file's strips or tiles do not hold its pixels");
    }
    // Each block buffer is held to libtiff's own cap: a decoded block of
    // gigabytes could only come from a file of gigabytes.
    uint64_t buffers = 0;
    if (!checkedProduct(layout.blockBytes, layout.separatePlanes ? layout.taken : 1, buffers) ||
        !withinMemoryBudget(buffers) || layout.blockBytes > tiffAllocationCap(fileSize)) {
        return failWith(reason, printed("a TIFF %s of %llu bytes is more than the reader takes",
                                        layout.tiled ? "tile" : "strip",
                                        static_cast<unsigned long long>(layout.blockBytes)));
    }
    return 1;
}

// Stored as they are, the pixels must all be in the file: one too short
// for them fails before the picture asks for memory.
int checkStoredBytes(TIFF* tiff, const TiffLayout& layout, uint64_t fileSize,
                     FailureReason* reason) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_NONE) return 1;
    uint64_t perPixel = uint64_t{layout.samples} * layout.bytesPerSample;
    uint64_t rasterBytes = 0;
    if (!checkedProduct(layout.width, layout.height, rasterBytes) ||
        !checkedProduct(rasterBytes, perPixel, rasterBytes) || rasterBytes > fileSize) {
        return failWith(reason, claimText(layout.width, layout.height, fileSize));
    }
    return 1;
}

}  // namespace

int readableLayout(TIFF* tiff, uint64_t fileSize, TiffLayout& layout, FailureReason* reason) {
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    uint16_t bits = 0;
    return checkSampleFormat(tiff, bits, reason) && checkPixels(tiff, bits, layout, reason) &&
           measureBlocks(tiff, layout, reason) && checkBlockBytes(layout, fileSize, reason) &&
           checkStoredBytes(tiff, layout, fileSize, reason);
}

}  // namespace pellumir
