#include "picture/formats/radiance.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "io/byte_input.h"
#include "io/input_file.h"
#include "io/safe_output.h"
#include "io/save_target.h"
#include "picture/formats/float_raster.h"
#include "picture/formats/header.h"
#include "picture/formats/resolu.h"
#include "picture/formats/scanline_reader.h"
#include "picture/formats/scanline_writer.h"
#include "picture/memory_budget.h"
#include "picture/oriented_rows.h"
#include "picture/picture_ops.h"
#include "picture/turn_tile.h"
#include "picture/two_cores.h"

namespace pellumir {

namespace {

constexpr const char* kNoResolutionLineText = "the file has no valid Radiance resolution line";

// The fewest bytes any encoding can give a scanline of `length` pixels: a
// chain of k old repeat markers (4 bytes each) stands for at most 256^k - 1
// copies of the pixel before it.
uint64_t fewestScanlineBytes(uint32_t length) {
    uint64_t markers = 1;
    for (uint64_t reach = 255; reach < length; reach = reach * 256 + 255)
        ++markers;
    return 4 * markers;
}

// Scanline k of the file is row k, pixel i column i, as read. Turn and
// mirror so that the picture shows what the resolution line describes.
bool toStandardOrientation(RgbeImage& image, int flags) {
    bool mirrorColumns = (flags & kXDecreasing) != 0;
    if ((flags & kYMajor) == 0) {
        // Scanlines are columns: transpose, which is a clockwise turn
        // followed by a mirror.
        if (!image.rotate90()) return false;
        mirrorColumns = !mirrorColumns;
    }
    if (mirrorColumns) mirrorPicture(image);
    if ((flags & kYDecreasing) == 0) flipPicture(image);
    return true;
}

// Rows go to the sink in batches of about this many pixels: often enough
// that its work follows closely, seldom enough that telling it costs
// nothing.
constexpr uint32_t kRowsDoneBatchPixels = 1 << 16;

// Scanlines read by the turned reading before they are turned into their
// columns of the picture.
constexpr uint32_t kTurnBatchRows = 32;
// Pictures of fewer rows than this are read plainly and then turned: their
// batch would be a large part of the picture itself.
constexpr uint32_t kTurnBatchLeastRows = 8 * kTurnBatchRows;
// Columns of the picture turned at a time, so that a tile's rows of both
// blocks stay in the cache.
constexpr uint32_t kTurnTileColumns = 64;

// Reads `count` scanlines of a file in the standard orientation into the
// columns of `image` (count x length, allocated), the first scanline into
// the last column: the picture turned clockwise, as read. Batches of
// scanlines are decoded into the two `batches` (kTurnBatchRows x length
// pixels each, after one pixel for the last pixel before the batch, which
// an old repeat marker copies) by turns; for a large picture a second
// thread turns each batch into the picture while the next one is read.
bool readTurned(RgbeImage& image, uint32_t length, uint32_t count, ScanlineReader& scanlines,
                ByteInput& in, RgbePixel* const batches[2]) {
    auto turn = [&image, length, count](const RgbePixel* rows, uint32_t r0, uint32_t r1) {
        for (uint32_t j0 = 0; j0 < length; j0 += kTurnTileColumns) {
            turnTile(rows, length, int64_t{count} - 1 - r0, image.pixels(), count, j0,
                     std::min(length, j0 + kTurnTileColumns), count - r1, count - r0);
        }
    };
    bool beside = uint64_t{length} * count * sizeof(RgbePixel) >= kTwoCoreBytes &&
                  std::thread::hardware_concurrency() > 1;
    // Turns batch n - 1 while batch n is read, into the other buffer.
    std::thread turning;
    RgbePixel before{};
    uint32_t n = 0;
    for (uint32_t r0 = 0; r0 < count; r0 += kTurnBatchRows, ++n) {
        uint32_t r1 = std::min(count, r0 + kTurnBatchRows);
        RgbePixel* batch = batches[n % 2];
        batch[0] = before;
        RgbePixel* rows = batch + 1;
        for (uint32_t r = r0; r < r1; ++r) {
            if (scanlines.read(rows + uint64_t{r - r0} * length, in, r == 0) < 0) {
                if (turning.joinable()) turning.join();
                return false;
            }
        }
        before = rows[uint64_t{r1 - r0} * length - 1];
        if (turning.joinable()) turning.join();
        if (beside) {
            // A thread that cannot be started leaves the turn to this one.
            try {
                turning = std::thread(turn, rows, r0, r1);
                continue;
            } catch (const std::system_error&) {
            }
        }
        turn(rows, r0, r1);
    }
    if (turning.joinable()) turning.join();
    return true;
}

// Why `image` cannot be written, or null. A picture the resolution line
// cannot describe would not read back.
const char* radianceWriteRefusal(const RgbeImage& image) {
    if (image.empty()) return kNothingToSaveText;
    if (image.width > INT32_MAX || image.height > INT32_MAX) {
        return "the picture is too large for a Radiance file";
    }
    return nullptr;
}

std::string scanlineFailureText(const ByteInput& in, uint32_t row) {
    if (in.failed()) return unreadablePastScanlineText(row);
    if (in.atEnd()) return endsInScanlineText(row);
    return "scanline " + std::to_string(row) + " is damaged";
}

// A picture in the standard orientation read and turned a quarter in
// batches, the turn beside the reading.
int readTurnedPicture(RgbeImage& image, uint32_t length, uint32_t count, ScanlineReader& scanlines,
                      ByteInput& in, FailureReason* reason) {
    image.allocate(count, length);
    if (image.empty()) return failWith(reason, tooLargeText(length, count));
    uint64_t batchPixels = uint64_t{kTurnBatchRows} * length + 1;
    std::unique_ptr<RgbePixel[]> buffer(new (std::nothrow) RgbePixel[2 * batchPixels]);
    RgbePixel* const batches[2] = {buffer.get(), buffer.get() + batchPixels};
    if (!buffer) {
        image.release();
        return failWith(reason, tooLargeText(length, count));
    }
    if (!readTurned(image, length, count, scanlines, in, batches)) {
        image.release();
        return failWith(reason, in.failed()  ? "the file cannot be read to its end"
                                : in.atEnd() ? "the file ends before its last scanline"
                                             : "a scanline is damaged");
    }
    return 1;
}

// Every scanline into the allocated picture's rows as they stand in the
// file; the sink, if any, is told of them in batches.
int readRows(RgbeImage& image, ScanlineReader& scanlines, ByteInput& in, RowSink* sink,
             FailureReason* reason) {
    const uint32_t length = image.width;
    const uint32_t count = image.height;
    uint32_t batch = std::max<uint32_t>(1, kRowsDoneBatchPixels / length);
    uint32_t reported = 0;
    for (uint32_t r = 0; r < count; ++r) {
        if (scanlines.read(image.rows[r], in, r == 0) < 0) {
            if (sink) sink->readingEnded(false);
            image.release();
            return failWith(reason, scanlineFailureText(in, r));
        }
        if (sink && (r + 1 - reported == batch || r + 1 == count)) {
            sink->rowsDone(image, reported, r + 1);
            reported = r + 1;
        }
    }
    if (sink) sink->readingEnded(true);
    return 1;
}

int readRadianceFrom(RgbeImage& image, std::FILE* file, RowSink* sink, bool turn,
                     FailureReason* reason) {
    ByteInput in(file);
    // A file that ends inside the header has no resolution line either;
    // nor does one whose header is endless.
    if (skipHeader(in) < 0) {
        return failWith(reason,
                        in.atEnd() || in.failed() ? kNoResolutionLineText : kLongestHeaderText);
    }
    uint32_t length = 0;
    uint32_t count = 0;
    int flags = readResolution(in, length, count);
    if (flags < 0) return failWith(reason, kNoResolutionLineText);

    // A file too short for its claimed size fails before the picture asks
    // for memory: a 100-byte file cannot hold 65536 x 65536 pixels.
    std::optional<uint64_t> left = in.bytesLeft();
    if (left && *left / fewestScanlineBytes(length) < count) {
        image.release();
        return failWith(reason, claimAfterHeaderText(length, count, *left));
    }

    // Old repeat markers let a 40-byte file describe 2^31 pixels and more,
    // which would take seconds and gigabytes to read before anything could
    // fail. The picture and its display must fit in memory, and in fewer
    // than 2^31 pixels, however short their file.
    if (!pictureFitsInMemory(length, count)) {
        image.release();
        return failWith(reason, tooLargeText(length, count));
    }
    // One scratch block for the planes of every scanline.
    ScanlineReader scanlines(length);
    if (!scanlines.ready()) {
        image.release();
        return failWith(reason, tooLargeText(length, count));
    }

    if (turn && flags == kStandardOrientation && count >= kTurnBatchLeastRows) {
        return readTurnedPicture(image, length, count, scanlines, in, reason);
    }
    image.allocate(length, count);
    if (image.empty()) return failWith(reason, tooLargeText(length, count));
    // Rows are final as read only in the standard orientation; a turned or
    // mirrored file changes them all after the last one.
    if (!readRows(image, scanlines, in, flags == kStandardOrientation ? sink : nullptr, reason)) {
        return 0;
    }
    if (!toStandardOrientation(image, flags) || (turn && !image.rotate90())) {
        image.release();
        return failWith(reason, tooLargeText(length, count));
    }
    return flags == kStandardOrientation ? 1 : 2;
}

}  // namespace

int readRadiance(RgbeImage& image, std::FILE* file, RowSink* sink, FailureReason* reason) {
    return readRadianceFrom(image, file, sink, false, reason);
}

int readRadiance(RgbeImage& image, const std::string& path, RowSink* sink, FailureReason* reason) {
    std::FILE* file = openInputStream(path);
    if (!file) return failWithFileError(reason, errno);
    int result = readRadiance(image, file, sink, reason);
    std::fclose(file);
    return result;
}

int readRadianceTurned(RgbeImage& image, std::FILE* file, FailureReason* reason) {
    return readRadianceFrom(image, file, nullptr, true, reason);
}

int readRadianceTurned(RgbeImage& image, const std::string& path, FailureReason* reason) {
    std::FILE* file = openInputStream(path);
    if (!file) return failWithFileError(reason, errno);
    int result = readRadianceTurned(image, file, reason);
    std::fclose(file);
    return result;
}

int writeRadiance(const RgbeImage& image, ByteSink& out, FailureReason* reason,
                  Orientation orientation) {
    if (const char* refusal = radianceWriteRefusal(image)) return failWith(reason, refusal);
    OrientedRows rows(image, orientation);
    if (!rows.ready()) return failWith(reason, tooLargeText(rows.width(), rows.height()));
    char header[160];
    int size = std::snprintf(header, sizeof header,
                             "#?RADIANCE\n# %s\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=%25.13f\n\n"
                             "-Y %d +X %d\n",
                             "Made with 100% pure brindle", 1.0, static_cast<int>(rows.height()),
                             static_cast<int>(rows.width()));
    if (out.write(header, static_cast<size_t>(size)) != static_cast<size_t>(size)) {
        return failWithSystemError(reason, out.error());
    }
    ScanlineWriter scanlines(rows.width());
    for (uint32_t r = 0; r < rows.height(); ++r) {
        if (scanlines.write(rows.row(r), out) < 0) {
            return failWithSystemError(reason, out.error());
        }
    }
    return 1;
}

int writeRadiance(const RgbeImage& image, const std::string& path, FailureReason* reason,
                  Orientation orientation) {
    // Refused before the target is touched, so that the refusal is the cause.
    if (const char* refusal = radianceWriteRefusal(image)) return failWith(reason, refusal);
    return writeSafely(path, reason, [&](ByteSink& out) {
        return writeRadiance(image, out, reason, orientation);
    });
}

}  // namespace pellumir
