#include "picture/formats/float_tiff.h"

#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "io/input_file.h"
#include "io/read_progress.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"
#include "picture/memory_budget.h"

namespace pellumir {

// Reading block by block needs the arrays of strip offsets, the bytes of one
// stored block (no more than the file holds) and one decoded block, so twice
// the file size is plenty; the floor keeps ordinary files clear of it.
uint64_t tiffAllocationCap(uint64_t fileSize) {
    constexpr uint64_t kSmallestAllocationCap = uint64_t{256} << 20;
    uint64_t cap =
        std::max(kSmallestAllocationCap, fileSize > UINT64_MAX / 2 ? UINT64_MAX : fileSize * 2);
    return std::min<uint64_t>(cap, static_cast<uint64_t>(INT64_MAX));
}

namespace {

// "r" for reading, "m" to leave memory mapping off: a file cut short under
// a mapping would end the process with SIGBUS instead of failing the read.
constexpr const char* kOpenMode = "rm";

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffOptions = std::unique_ptr<TIFFOpenOptions, OptionsFreer>;

// Where the reader is told of the first thing libtiff could not do, and what
// it knows of the file.
struct TiffContext {
    FailureReason* reason = nullptr;
    std::string libtiffMessage;  // libtiff's first error, kept for a cause without a better one
    uint64_t fileSize = 0;
};

int keepFirstError(TIFF*, void* userData, const char*, const char* format, va_list arguments) {
    auto* context = static_cast<TiffContext*>(userData);
    if (context->libtiffMessage.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        context->libtiffMessage = text;
    }
    return 1;  // handled: nothing reaches the process-wide handler
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

TiffOptions openOptions(TiffContext& context) {
    TiffOptions options(TIFFOpenOptionsAlloc());
    if (!options) return options;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(tiffAllocationCap(context.fileSize)));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepFirstError, &context);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, &context);
    return options;
}

std::string printed(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// What the reader needs of the first directory, once checked.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;         // TIFF's default for a missing SamplesPerPixel
    uint16_t bytesPerSample = 4;  // 2, 4 or 8: half, single or double floats
    uint16_t taken = 1;           // samples used of each pixel: 1 (grey) or 3
    bool separatePlanes = false;  // each sample in blocks of its own
    bool tiled = false;
    uint32_t blockWidth = 0;   // pixels a row of one strip or tile holds
    uint32_t blockHeight = 0;  // rows of one strip or tile
    uint64_t blockBytes = 0;   // bytes of one decoded strip or tile
    uint32_t blocksAcross = 1;
    uint32_t blocksDown = 1;
};

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

// Whether the first directory holds plain float samples the reader can
// take, and how they are stored. The first cause of a refusal goes to the
// context's record.
int readableLayout(TIFF* tiff, TiffContext& context, TiffLayout& layout) {
    FailureReason* reason = context.reason;
    uint16_t bits = 0;
    uint16_t format = 0;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    // A missing SampleFormat means unsigned integers, as TIFF 6.0 defines it.
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
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
        !withinMemoryBudget(buffers) || layout.blockBytes > tiffAllocationCap(context.fileSize)) {
        return failWith(reason, printed("a TIFF %s of %llu bytes is more than the reader takes",
                                        layout.tiled ? "tile" : "strip",
                                        static_cast<unsigned long long>(layout.blockBytes)));
    }
    // Stored as they are, the pixels must all be in the file: one too short
    // for them fails before the picture asks for memory.
    uint64_t rasterBytes = 0;
    if (compression == COMPRESSION_NONE) {
        uint64_t perPixel = uint64_t{layout.samples} * layout.bytesPerSample;
        if (!checkedProduct(layout.width, layout.height, rasterBytes) ||
            !checkedProduct(rasterBytes, perPixel, rasterBytes) || rasterBytes > context.fileSize) {
            return failWith(
                reason, printed("the header claims %u × %u pixels but the file holds %llu bytes",
                                layout.width, layout.height,
                                static_cast<unsigned long long>(context.fileSize)));
        }
    }
    return 1;
}

uint16_t halfBits(const uint8_t* bytes) {
    uint16_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

// One sample in the machine's byte order, as libtiff delivers it.
double sampleAt(const uint8_t* bytes, uint16_t bytesPerSample) {
    if (bytesPerSample == 2) return halfToFloat(halfBits(bytes));
    if (bytesPerSample == 4) {
        float value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The decoded strips or tiles of one block position: one buffer for
// pixel-interleaved samples, one a plane (red, green, blue) for separate ones.
struct BlockBuffers {
    std::unique_ptr<uint8_t[]> plane[3];
    int count = 0;
};

bool allocateBuffers(const TiffLayout& layout, BlockBuffers& buffers) {
    buffers.count = layout.separatePlanes ? layout.taken : 1;
    for (int p = 0; p < buffers.count; ++p) {
        // Every block is decoded whole before it is converted, or the read
        // fails, so the buffers need no clearing.
        buffers.plane[p].reset(new (std::nothrow) uint8_t[layout.blockBytes]);
        if (!buffers.plane[p]) return false;
    }
    return true;
}

// Decodes the block at block column bx, block row by into the buffers.
int readBlock(TIFF* tiff, TiffContext& context, const TiffLayout& layout, uint32_t bx, uint32_t by,
              BlockBuffers& buffers) {
    const uint32_t x = bx * layout.blockWidth;
    const uint32_t y = by * layout.blockHeight;
    for (int p = 0; p < buffers.count; ++p) {
        const auto plane = static_cast<uint16_t>(p);
        uint32_t block =
            layout.tiled ? TIFFComputeTile(tiff, x, y, 0, plane) : TIFFComputeStrip(tiff, y, plane);
        // A block that reaches past the end of the file names the place where
        // the file was cut short, which libtiff's message does not.
        int failed = 0;
        uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, block, &failed);
        uint64_t count = failed ? 0 : TIFFGetStrileByteCountWithErr(tiff, block, &failed);
        if (!failed && (offset > context.fileSize || count > context.fileSize - offset)) {
            return failWith(context.reason, printed("the file ends in scanline %u", y));
        }
        tmsize_t got = layout.tiled
                           ? TIFFReadTile(tiff, buffers.plane[p].get(), x, y, 0, plane)
                           : TIFFReadEncodedStrip(tiff, block, buffers.plane[p].get(),
                                                  static_cast<tmsize_t>(layout.blockBytes));
        uint32_t rows = std::min(layout.blockHeight, layout.height - y);
        uint64_t rowBytes = uint64_t{layout.blockWidth} * layout.bytesPerSample *
                            (layout.separatePlanes ? 1 : layout.samples);
        // The last strip decodes only the rows that are left.
        if (got < 0 || static_cast<uint64_t>(got) < rowBytes * rows) {
            std::string text = printed("scanline %u cannot be decoded", y);
            if (!context.libtiffMessage.empty()) text += ": " + context.libtiffMessage;
            return failWith(context.reason, text);
        }
    }
    return 1;
}

// Encodes the decoded block at block column bx, block row by into the picture.
void encodeBlock(const TiffLayout& layout, uint32_t bx, uint32_t by, const BlockBuffers& buffers,
                 RgbeImage& image) {
    const uint32_t x0 = bx * layout.blockWidth;
    const uint32_t y0 = by * layout.blockHeight;
    const uint32_t columns = std::min(layout.blockWidth, layout.width - x0);
    const uint32_t rows = std::min(layout.blockHeight, layout.height - y0);
    const size_t size = layout.bytesPerSample;
    // Bytes from one pixel to the next within a buffer, and from one sample
    // of a pixel to the next (in the same buffer, or in the next plane's).
    const size_t pixelStep = layout.separatePlanes ? size : size * layout.samples;
    const size_t rowStep = pixelStep * layout.blockWidth;
    for (uint32_t r = 0; r < rows; ++r) {
        RgbePixel* out = image.rows[y0 + r] + x0;
        const size_t rowStart = r * rowStep;
        for (uint32_t i = 0; i < columns; ++i) {
            const size_t at = rowStart + i * pixelStep;
            if (layout.taken == 1) {
                double v = sampleAt(buffers.plane[0].get() + at, layout.bytesPerSample);
                encodeRgbe(out[i], v, v, v);
            } else if (layout.separatePlanes) {
                encodeRgbe(out[i], sampleAt(buffers.plane[0].get() + at, layout.bytesPerSample),
                           sampleAt(buffers.plane[1].get() + at, layout.bytesPerSample),
                           sampleAt(buffers.plane[2].get() + at, layout.bytesPerSample));
            } else {
                const uint8_t* pixel = buffers.plane[0].get() + at;
                encodeRgbe(out[i], sampleAt(pixel, layout.bytesPerSample),
                           sampleAt(pixel + size, layout.bytesPerSample),
                           sampleAt(pixel + 2 * size, layout.bytesPerSample));
            }
        }
    }
}

int readOpenTiff(RgbeImage& image, TIFF* tiff, TiffContext& context) {
    TiffLayout layout;
    if (!readableLayout(tiff, context, layout)) return 0;
    BlockBuffers buffers;
    if (!allocateBuffers(layout, buffers)) {
        return failWith(context.reason, "there is not enough memory for the TIFF strips");
    }
    // The first block is decoded before the picture is asked for: compressed
    // blocks do not say how far they decode, and a few bytes that claim
    // billions of pixels must fail without taking their memory.
    if (!readBlock(tiff, context, layout, 0, 0, buffers)) return 0;
    image.allocate(layout.width, layout.height);
    if (image.empty()) {
        return failWith(context.reason,
                        printed("a picture of %u × %u pixels is more than the memory allows",
                                layout.width, layout.height));
    }
    for (uint32_t by = 0; by < layout.blocksDown; ++by) {
        if (!reportReadProgress(uint64_t{by} * layout.blockHeight, layout.height)) {
            image.release();
            return failWith(context.reason, kReadingStoppedText);
        }
        for (uint32_t bx = 0; bx < layout.blocksAcross; ++bx) {
            // A block libtiff cannot deliver fails the read, as a short file
            // does in the other readers, rather than showing stale pixels.
            if ((bx > 0 || by > 0) && !readBlock(tiff, context, layout, bx, by, buffers)) {
                image.release();
                return 0;
            }
            encodeBlock(layout, bx, by, buffers, image);
        }
    }
    return 1;
}

// Why libtiff could not open the file: not a TIFF file at all, or one whose
// first directory it could not take.
int openFailed(TiffContext& context, const uint8_t* start, size_t size) {
    bool tiffMagic = size >= 4 && ((start[0] == 'I' && start[1] == 'I' && start[3] == 0 &&
                                    (start[2] == 42 || start[2] == 43)) ||
                                   (start[0] == 'M' && start[1] == 'M' && start[2] == 0 &&
                                    (start[3] == 42 || start[3] == 43)));
    if (!tiffMagic) return failWith(context.reason, "the file is not a TIFF file");
    std::string text = "the TIFF file's first directory cannot be read";
    if (!context.libtiffMessage.empty()) text += ": " + context.libtiffMessage;
    return failWith(context.reason, text);
}

// A whole file in memory, as libtiff's client procedures see it.
struct MemoryStream {
    const uint8_t* data;
    uint64_t size;
    uint64_t position;
};

tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (size <= 0 || stream->position >= stream->size) return 0;
    uint64_t count =
        std::min<uint64_t>(static_cast<uint64_t>(size), stream->size - stream->position);
    std::memcpy(buffer, stream->data + stream->position, count);
    stream->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeMemory(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(handle);
    // As lseek: the offset is signed for SEEK_CUR and SEEK_END, and a
    // position beyond the end is allowed (reads there give nothing).
    auto delta = static_cast<int64_t>(offset);
    int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<int64_t>(stream->position);
    } else if (whence == SEEK_END) {
        base = static_cast<int64_t>(stream->size);
    } else if (whence != SEEK_SET) {
        return static_cast<toff_t>(-1);
    }
    if (whence == SEEK_SET) {
        if (offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
        stream->position = offset;
        return offset;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, delta, &target) || target < 0) return static_cast<toff_t>(-1);
    stream->position = static_cast<uint64_t>(target);
    return stream->position;
}

int closeMemory(thandle_t) {
    return 0;
}

toff_t sizeOfMemory(thandle_t handle) {
    return static_cast<MemoryStream*>(handle)->size;
}

int mapMemory(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapMemory(thandle_t, void*, toff_t) {}

}  // namespace

int readFloatTiff(RgbeImage& image, const std::string& path, FailureReason* reason) {
    image.release();
    // The readers' one door: never blocks, regular files only. The header
    // libtiff reads is held by its own limits (at most 4096 directory
    // entries, no array beyond the file) and by the allocation cap.
    TiffContext context;
    context.reason = reason;
    int fd = openInputFile(path, &context.fileSize);
    if (fd < 0) return failWithFileError(reason, errno);
    uint8_t start[4] = {};
    ssize_t got = pread(fd, start, sizeof start, 0);
    TiffOptions options = openOptions(context);
    // TIFFOpen's own way: open, then hand the descriptor over. Once libtiff
    // has it, TIFFClose closes it.
    TiffHandle tiff(options ? TIFFFdOpenExt(fd, path.c_str(), kOpenMode, options.get()) : nullptr);
    if (!tiff) {
        close(fd);
        return openFailed(context, start, got > 0 ? static_cast<size_t>(got) : 0);
    }
    return readOpenTiff(image, tiff.get(), context);
}

int readFloatTiffFromMemory(RgbeImage& image, const uint8_t* data, size_t size,
                            FailureReason* reason) {
    image.release();
    TiffContext context;
    context.reason = reason;
    context.fileSize = size;
    TiffOptions options = openOptions(context);
    if (!options) return failWith(reason, "there is not enough memory to open the TIFF file");
    MemoryStream stream{data, size, 0};
    TiffHandle tiff(TIFFClientOpenExt("memory", kOpenMode, &stream, readMemory, writeMemory,
                                      seekMemory, closeMemory, sizeOfMemory, mapMemory, unmapMemory,
                                      options.get()));
    if (!tiff) return openFailed(context, data, size);
    return readOpenTiff(image, tiff.get(), context);
}

}  // namespace pellumir
